// Hostile input through the real window: whatever lands in the boxes, the
// window shows the right total or the right message, keeps what was typed
// and stays usable.
#include "calc/mesh.h"
#include "calc/number.h"
#include "calc/tests/initial_values.h"
#include "desktop/qt/form1.h"
#include "desktop/qt/result_area.h"
#include "desktop/qt/tests/dialog_watcher.h"
#include "text/messages.h"
#include "ui_form1.h"

#include <QClipboard>
#include <QKeySequence>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <memory>
#include <random>

using tavrilo::Form1;
using tavrilo::testing_support::DialogWatcher;
using tavrilo::testing_support::SeenDialog;

namespace {

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const QString kNonPositive = Utf8(tavrilo::kNonPositiveMessage);
const QString kNoArrangement = Utf8(tavrilo::kNoArrangementMessage);
const QString kNegative = Utf8(tavrilo::kNegativeTotalMessage);
const QString kFloatFault =
    Utf8(tavrilo::CalcErrorMessage(tavrilo::CalcErrorKind::FloatingPointFault));
const QString kOverflow = Utf8(tavrilo::CalcErrorMessage(tavrilo::CalcErrorKind::IntegerOverflow));

// What the window must show for these box contents: a result line, or a
// message. Written from the user's point of view, independently of the
// window code, for the randomized session.
struct Shown {
    QString line;
    QString message;
};

Shown Expect(const QString& t1, const QString& t2, const QString& t3, bool one, bool two) {
    using namespace tavrilo;
    const MeshInputs in{ParseLeadingNumber(t1.toStdString()), ParseLeadingNumber(t2.toStdString()),
                        ParseLeadingNumber(t3.toStdString())};
    if (!(in.MeshDiameter > 0 && in.BarDiameter > 0 && in.BarSpacing > 0))
        return {{}, kNonPositive};
    if (!one && !two)
        return {{}, kNoArrangement};
    const MeshLengthOutcome outcome =
        ComputeMeshLength(in, two ? Arrangement::TwoWay : Arrangement::OneWay);
    if (const auto* error = std::get_if<CalcError>(&outcome))
        return {{}, Utf8(CalcErrorMessage(error->Kind))};
    const double total = std::get<MeshLength>(outcome).Total;
    if (total < 0.0)
        return {{}, kNegative};
    return {Utf8(ResultText(total)), {}};
}

} // namespace

class HostileInputTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form_;
    std::unique_ptr<DialogWatcher> dialogs_;

    const Ui::Form1& ui() const { return form_->controls(); }
    QLineEdit* box(int index) const {
        return index == 1 ? ui().Text1 : index == 2 ? ui().Text2 : ui().Text3;
    }

    // The window's answer to one press of 计算结果.
    Shown calculate() {
        QTest::mouseClick(ui().Command1, Qt::LeftButton);
        const QList<SeenDialog> seen = dialogs_->take();
        Shown shown;
        if (!ui().Picture1->lines().isEmpty())
            shown.line = ui().Picture1->lines().join('|');
        if (!seen.isEmpty())
            shown.message = seen.front().text;
        if (seen.size() > 1)
            shown.message += QStringLiteral(" (+%1 more dialogs)").arg(seen.size() - 1);
        return shown;
    }

    void checkStillUsable() {
        ui().Text1->setText("1.3");
        ui().Text2->setText("0.0065");
        ui().Text3->setText("0.1");
        QTest::mouseClick(ui().Option2, Qt::LeftButton);
        const Shown shown = calculate();
        QCOMPARE(shown.message, QString());
        QCOMPARE(shown.line, QStringLiteral(TAVRILO_TWO_WAY_TOTAL " m"));
    }

private slots:
    void initTestCase() { tavrilo::ConfigureApplication(*qApp); }

    void init() {
        form_ = std::make_unique<Form1>(tavrilo::SupportLinks{"http://tavrilo.example.com/",
                                                              "support@tavrilo.example.com",
                                                              "123456789"},
                                        [](const QUrl&) { return true; });
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        dialogs_ = std::make_unique<DialogWatcher>();
        QTest::mouseClick(ui().Option2, Qt::LeftButton);
    }

    void cleanup() {
        const QList<SeenDialog> left = dialogs_->take();
        for (const SeenDialog& d : left)
            qWarning() << "stray dialog:" << d.title << d.text;
        QCOMPARE(left.size(), 0);
        dialogs_.reset();
        form_.reset();
    }

    void strangeTextGivesTheRightResultOrMessageAndStaysInTheBox_data() {
        QTest::addColumn<int>("boxIndex");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("message");
        const QString ok = QStringLiteral(TAVRILO_TWO_WAY_TOTAL " m");
        QTest::newRow("32767 characters")
            << 1 << QStringLiteral("1.3") + QString(32764, '0') << ok << QString();
        QTest::newRow("32767 digits") << 1 << QString(32767, '1') << QString() << kFloatFault;
        QTest::newRow("NUL after the number") << 1 << QString("1.3") + QChar(0) + "x" << ok << "";
        QTest::newRow("NUL before the number")
            << 1 << QChar(0) + QString("1.3") << QString() << kNonPositive;
        QTest::newRow("tab and control characters") << 1 << "\t1.3\x01\x7f" << ok << "";
        QTest::newRow("escape sequence") << 1 << "\x1b[31m1.3" << QString() << kNonPositive;
        QTest::newRow("carriage return ends it") << 1 << "1.3\r7" << ok << "";
        QTest::newRow("emoji first") << 1 << QStringLiteral("😀1.3") << QString() << kNonPositive;
        QTest::newRow("emoji after") << 1 << QStringLiteral("1.3😀") << ok << "";
        QTest::newRow("lone high surrogate first")
            << 1 << QChar(0xD800) + QString("1.3") << QString() << kNonPositive;
        QTest::newRow("lone low surrogate after")
            << 1 << "1.3" + QString(QChar(0xDC00)) << ok << "";
        QTest::newRow("full-width digits")
            << 1 << QStringLiteral("１．３") << QString() << kNonPositive;
        QTest::newRow("full-width stop ends the number")
            << 1 << QStringLiteral("1。3") << QStringLiteral("16.485 m") << "";
        QTest::newRow("right-to-left mark first")
            << 1 << QStringLiteral("\u200F1.3") << QString() << kNonPositive;
        QTest::newRow("right-to-left mark after") << 1 << QStringLiteral("1.3\u200F") << ok << "";
        QTest::newRow("largest double")
            << 1 << "1.7976931348623157e308" << QString() << kFloatFault;
        QTest::newRow("beyond the double range") << 1 << "1e999" << QString() << kFloatFault;
        QTest::newRow("spacing beyond the double range")
            << 3 << "1e999" << QString() << kFloatFault;
        QTest::newRow("huge bar diameter")
            << 2 << "1.7976931348623157e308" << QString() << kFloatFault;
        QTest::newRow("subnormal diameter") << 1 << "4.9e-324" << QStringLiteral("0 m") << "";
        QTest::newRow("subnormal bar") << 2 << "4.9e-324" << QStringLiteral("25.42 m") << "";
        QTest::newRow("subnormal spacing") << 3 << "5e-324" << QString() << kFloatFault;
        QTest::newRow("too many bars") << 3 << "0.00001" << QString() << kOverflow;
        QTest::newRow("negative zero") << 3 << "-0" << QString() << kNonPositive;
    }
    void strangeTextGivesTheRightResultOrMessageAndStaysInTheBox() {
        QFETCH(int, boxIndex);
        QFETCH(QString, text);
        QFETCH(QString, line);
        QFETCH(QString, message);
        box(boxIndex)->setText(text);
        const Shown shown = calculate();
        QCOMPARE(shown.message, message);
        QCOMPARE(shown.line, line);
        QCOMPARE(box(boxIndex)->text(), text);
        checkStillUsable();
    }

    void pastedMultiLineTextIsReadByTheSameRules() {
        QApplication::clipboard()->setText(QStringLiteral("1.3\n0.0065\n0.1"));
        ui().Text1->clear();
        ui().Text1->setFocus();
        QTest::keySequence(ui().Text1, QKeySequence::Paste);
        const QString pasted = ui().Text1->text();
        QVERIFY2(pasted.startsWith(QStringLiteral("1.3")), qPrintable(pasted));
        const Shown shown = calculate();
        const Shown expected = Expect(pasted, ui().Text2->text(), ui().Text3->text(), false, true);
        QCOMPARE(shown.message, expected.message);
        QCOMPARE(shown.line, expected.line);
        QCOMPARE(ui().Text1->text(), pasted);
        checkStillUsable();
    }

    // A long session of random actions, checked step by step against what a
    // user must see. The seed can be set with TAVRILO_SESSION_SEED.
    void aLongRandomSessionNeverCrashesOrShowsAStrayDialog() {
        const unsigned seed = qEnvironmentVariableIsSet("TAVRILO_SESSION_SEED")
                                  ? qEnvironmentVariableIntValue("TAVRILO_SESSION_SEED")
                                  : 20261208u;
        const int actions = qEnvironmentVariableIsSet("TAVRILO_SESSION_ACTIONS")
                                ? qEnvironmentVariableIntValue("TAVRILO_SESSION_ACTIONS")
                                : 10000;
        qInfo() << "seed" << seed << "actions" << actions;
        std::mt19937 random(seed);
        // clang-format off
        const QStringList pool{
            "1.3", "0.0065", "0.1", "2", "0.012", "0.15", "1.25", "0.04", "0.001", "0", "-1",
            "abc", "", " 1 . 3 ", "1,3", "0.1m", "1e308", "1e-308", "4.9e-324", "40000", "20001",
            "0.00001", QStringLiteral("１"), QStringLiteral("😀"), QString(QChar(0xD800)),
            QString(300, '9'), "1.3\n", "\t0.1", QStringLiteral("\u200F2")};
        // clang-format on
        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

        ui().Option1->setAutoExclusive(false);
        ui().Option1->setChecked(false);
        ui().Option2->setChecked(false);
        ui().Option1->setAutoExclusive(true);
        QStringList expectedLines;
        for (int step = 0; step < actions; ++step) {
            const QString where = QStringLiteral("step %1").arg(step);
            switch (pick(7)) {
            case 0:
            case 1: { // type into a box
                QLineEdit* target = box(1 + pick(3));
                const QString text = pool[pick(pool.size())];
                const bool typeable = std::all_of(text.begin(), text.end(), [](QChar c) {
                    return c.unicode() >= 0x20 && c.unicode() < 0x7f;
                });
                if (typeable && pick(4) == 0) {
                    target->selectAll();
                    QTest::keyClicks(target, text);
                    if (text.isEmpty())
                        QTest::keyClick(target, Qt::Key_Delete);
                } else {
                    target->setText(text);
                }
                break;
            }
            case 2: // choose an arrangement
                QTest::mouseClick(pick(2) ? ui().Option1 : ui().Option2, Qt::LeftButton);
                break;
            case 3: { // clear
                const bool one = ui().Option1->isChecked();
                const bool two = ui().Option2->isChecked();
                QTest::mouseClick(ui().Command2, Qt::LeftButton);
                QVERIFY2(ui().Text1->text().isEmpty() && ui().Text2->text().isEmpty() &&
                             ui().Text3->text().isEmpty(),
                         qPrintable(where));
                QVERIFY2(ui().Option1->isChecked() == one && ui().Option2->isChecked() == two,
                         qPrintable(where));
                expectedLines.clear();
                break;
            }
            case 4:
            case 5: { // calculate
                const QStringList before{ui().Text1->text(), ui().Text2->text(),
                                         ui().Text3->text()};
                const Shown expected = Expect(before[0], before[1], before[2],
                                              ui().Option1->isChecked(), ui().Option2->isChecked());
                const Shown shown = calculate();
                QVERIFY2(shown.message == expected.message,
                         qPrintable(where + ": " + shown.message + " / " + expected.message));
                QVERIFY2(shown.line == expected.line,
                         qPrintable(where + ": " + shown.line + " / " + expected.line));
                const QStringList after{ui().Text1->text(), ui().Text2->text(), ui().Text3->text()};
                QVERIFY2(after == before, qPrintable(where + ": the boxes changed"));
                break;
            }
            case 6: { // feedback
                ui().AnswerTheQuestion->trigger();
                const QList<SeenDialog> seen = dialogs_->take();
                QVERIFY2(seen.size() == 1 && seen[0].title == QStringLiteral("问题反馈"),
                         qPrintable(where));
                break;
            }
            }
            const QList<SeenDialog> stray = dialogs_->take();
            QVERIFY2(stray.isEmpty(), qPrintable(where + ": stray dialog " +
                                                 (stray.isEmpty() ? "" : stray[0].text)));
        }
        checkStillUsable();
    }
};

QTEST_MAIN(HostileInputTest)
#include "hostile_input_test.moc"
