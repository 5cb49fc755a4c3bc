// The real window, driven as a user would: typing, clicking, the menu.
#include "calc/tests/initial_values.h"
#include "desktop/qt/form1.h"
#include "desktop/qt/result_area.h"
#include "desktop/qt/tests/dialog_watcher.h"
#include "desktop/tests/form_texts.h"
#include "text/messages.h"
#include "ui_form1.h"

#include <QAction>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <memory>

using tavrilo::Form1;
using tavrilo::ResultArea;
using tavrilo::testing_support::DialogWatcher;
using tavrilo::testing_support::SeenDialog;
namespace form_texts = tavrilo::test::form_texts;

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

class Form1Test : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form_;
    std::unique_ptr<DialogWatcher> dialogs_;
    QList<QUrl> opened_;
    bool browserWorks_ = true;

    const Ui::Form1& ui() const { return form_->controls(); }

    QList<SeenDialog> expectDialogs(int count) {
        QList<SeenDialog> seen = dialogs_->take();
        if (seen.size() != count)
            qWarning() << "dialogs seen:" << seen.size() << "expected:" << count;
        return seen;
    }

    void typeInto(QLineEdit* box, const QString& text) {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, text);
    }

    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

private slots:
    void initTestCase() { tavrilo::ConfigureApplication(*qApp); }

    void init() {
        opened_.clear();
        browserWorks_ = true;
        form_ = std::make_unique<Form1>(tavrilo::SupportLinks{"http://tavrilo.example.com/",
                                                              "support@tavrilo.example.com",
                                                              "123456789"},
                                        [this](const QUrl& url) {
                                            opened_ << url;
                                            return browserWorks_;
                                        });
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        dialogs_ = std::make_unique<DialogWatcher>();
    }

    void cleanup() {
        // Any dialog a test did not ask for is a failure.
        const QList<SeenDialog> left = dialogs_->take();
        for (const SeenDialog& d : left)
            qWarning() << "unexpected dialog:" << d.title << d.text;
        QCOMPARE(left.size(), 0);
        dialogs_.reset();
        form_.reset();
    }

    // The layout as a user sees it: every control inside its group and the
    // window, none covering another, and every caption shown whole.
    void noControlCoversAnotherOrLeavesItsContainer() {
        const QList<QWidget*> controls = {
            ui().Command1, ui().Command2, ui().Picture1, ui().Frame1,   ui().Frame2, ui().Option1,
            ui().Option2,  ui().Text1,    ui().Text2,    ui().Text3,    ui().Label,  ui().Label2,
            ui().Label3,   ui().Label1,   ui().Label4_0, ui().Label4_1, ui().Label5};
        // A label's box may reach past its text (Label5 meets the result
        // area by a pixel): what must not be covered is the text.
        auto occupied = [](const QWidget* control) {
            QRect area = control->geometry();
            if (auto* label = qobject_cast<const QLabel*>(control))
                area.setWidth(label->fontMetrics().horizontalAdvance(label->text()));
            return area;
        };
        for (QWidget* control : controls) {
            const QWidget* container = control->parentWidget();
            QVERIFY2(container->rect().contains(control->geometry()),
                     qPrintable(control->objectName()));
            for (QWidget* other : controls)
                if (other != control && other->parentWidget() == container)
                    QVERIFY2(!occupied(control).intersects(occupied(other)),
                             qPrintable(control->objectName() + " covers " + other->objectName()));
            if (auto* label = qobject_cast<QLabel*>(control))
                QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                             label->contentsRect().width(),
                         qPrintable(label->objectName() + " is cut off"));
        }
    }

    void theClientAreaIsFixedAtItsDesignedSize() {
        QCOMPARE(ui().centralwidget->size(), QSize(447, 294));
        QCOMPARE(ui().centralwidget->pos().y(), form_->menuBar()->height());
        const QSize size = form_->size();
        form_->resize(size.width() + 200, size.height() + 100);
        QCoreApplication::sendPostedEvents(); // the layout's answer, if any
        QCOMPARE(form_->size(), size);
        QCOMPARE(form_->minimumSize(), form_->maximumSize());
        QCOMPARE(ui().Command2->geometry(), QRect(296, 232, 81, 33));
    }

    void everyTextAndTooltipIsTheDesignedChinese_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        for (const form_texts::ControlText& c : form_texts::kControls)
            QTest::newRow(c.name) << c.name << c.text << c.toolTip;
    }
    void everyTextAndTooltipIsTheDesignedChinese() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        QWidget* widget = form_->findChild<QWidget*>(name);
        QVERIFY(widget);
        QString shown;
        if (auto* b = qobject_cast<QAbstractButton*>(widget))
            shown = b->text();
        else if (auto* e = qobject_cast<QLineEdit*>(widget))
            shown = e->text();
        else if (auto* l = qobject_cast<QLabel*>(widget))
            shown = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(widget))
            shown = g->title();
        QCOMPARE(shown, text);
        QCOMPARE(widget->toolTip(), toolTip);
    }

    void theWindowStartsWithTheInitialValuesAndNoResult() {
        QCOMPARE(form_->windowTitle(), Q(form_texts::kTitle));
        QVERIFY(ui().Picture1->lines().isEmpty());
        QVERIFY(!ui().Option1->isChecked());
        QVERIFY(!ui().Option2->isChecked());
        const QList<QSize> sizes = form_->windowIcon().availableSizes();
        QVERIFY(sizes.contains(QSize(128, 128)));
    }

    // Tab and Shift+Tab go round every control that takes the focus, in the
    // tab order, both option buttons included, chosen or not.
    void tabVisitsTheControlsInTheirTabIndexOrder_data() {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("no arrangement") << "";
        QTest::newRow("单向布置") << "Option1";
        QTest::newRow("双向布置") << "Option2";
    }
    void tabVisitsTheControlsInTheirTabIndexOrder() {
        QFETCH(QString, chosen);
        if (!chosen.isEmpty())
            click(form_->findChild<QRadioButton*>(chosen));
        const QStringList order{"Picture1", "Command1", "Command2", "Text1",   "Text2",
                                "Text3",    "Option1",  "Option2",  "Picture1"};
        for (bool forward : {true, false}) {
            ui().Picture1->setFocus();
            QStringList seen{QApplication::focusWidget()->objectName()};
            for (int i = 1; i < order.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(),
                                forward ? Qt::Key_Tab : Qt::Key_Backtab,
                                forward ? Qt::NoModifier : Qt::ShiftModifier);
                seen << QApplication::focusWidget()->objectName();
            }
            QStringList expected = order;
            if (!forward)
                std::reverse(expected.begin(), expected.end());
            QCOMPARE(seen, expected);
        }
        QVERIFY(chosen.isEmpty() || form_->findChild<QRadioButton*>(chosen)->isChecked());
        for (auto* label : form_->findChildren<QLabel*>())
            QVERIFY2(!(label->focusPolicy() & Qt::TabFocus), qPrintable(label->objectName()));
    }

    // Return and keypad Enter press the focused button, as Space does.
    void enterOnAFocusedButtonPressesIt_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
    }

    void enterOnAFocusedButtonPressesIt() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        click(ui().Option2);
        for (QPushButton* button : {ui().Command1, ui().Command2}) {
            button->setFocus();
            QVERIFY(button->hasFocus());
            QTest::keyClick(button, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QCOMPARE(ui().Picture1->lines(), button == ui().Command1
                                                 ? QStringList{TAVRILO_TWO_WAY_TOTAL " m"}
                                                 : QStringList{});
        }
        QVERIFY(ui().Text1->text().isEmpty());
    }

    void theMenuBarHoldsTwoItemsThatActWhenChosen() {
        const QList<QAction*> items = form_->menuBar()->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->objectName(), QStringLiteral("Homepage"));
        QCOMPARE(items[0]->text(), Q(form_texts::kHomePageItem));
        QCOMPARE(items[1]->objectName(), QStringLiteral("AnswerTheQuestion"));
        QCOMPARE(items[1]->text(), Q(form_texts::kFeedbackItem));
        QVERIFY(items[0]->menu() == nullptr && items[1]->menu() == nullptr);

        // Clicking the item itself runs it: no drop-down in between.
        const QRect feedback = form_->menuBar()->actionGeometry(items[1]);
        QTest::mouseMove(form_->menuBar(), feedback.center());
        QTest::mouseClick(form_->menuBar(), Qt::LeftButton, {}, feedback.center());
        const QList<SeenDialog> seen = expectDialogs(1);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].title, Q(form_texts::kFeedbackTitle));
    }

    void typingTheInitialValuesAndChoosingAnArrangementPrintsTheTotal_data() {
        QTest::addColumn<bool>("twoWay");
        QTest::addColumn<QString>("result");
        QTest::newRow("双向布置") << true << TAVRILO_TWO_WAY_TOTAL " m";
        QTest::newRow("单向布置") << false << TAVRILO_ONE_WAY_TOTAL " m";
    }
    void typingTheInitialValuesAndChoosingAnArrangementPrintsTheTotal() {
        QFETCH(bool, twoWay);
        QFETCH(QString, result);
        click(ui().Command2);
        typeInto(ui().Text1, "1.3");
        typeInto(ui().Text2, "0.0065");
        typeInto(ui().Text3, "0.1");
        click(twoWay ? ui().Option2 : ui().Option1);
        click(ui().Command1);
        QCOMPARE(ui().Picture1->lines(), QStringList{result});
        click(ui().Command1);
        QCOMPARE(ui().Picture1->lines(), QStringList{result});
    }

    void clearEmptiesBoxesAndResultButKeepsTheArrangement() {
        click(ui().Option1);
        click(ui().Command1);
        QCOMPARE(ui().Picture1->lines(), QStringList{TAVRILO_ONE_WAY_TOTAL " m"});
        click(ui().Command2);
        QVERIFY(ui().Text1->text().isEmpty() && ui().Text2->text().isEmpty() &&
                ui().Text3->text().isEmpty());
        QVERIFY(ui().Picture1->lines().isEmpty());
        QVERIFY(ui().Option1->isChecked());

        click(ui().Command1);
        const QList<SeenDialog> seen = expectDialogs(1);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].title, Q(form_texts::kErrorTitle));
        QCOMPARE(seen[0].text, Q(form_texts::kNonPositive));
    }

    void messagesHaveOnlyAnOkButtonAndNoIcon() {
        click(ui().Command1); // no arrangement chosen yet
        const QList<SeenDialog> seen = expectDialogs(1);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].text, Q(form_texts::kNoArrangement));
        QCOMPARE(seen[0].buttons, QStringList{Q(form_texts::kOkButton)});
        QVERIFY(!seen[0].hasIcon);
    }

    void aFailedCalculationLeavesTheWindowUsable() {
        click(ui().Option2);
        typeInto(ui().Text1, "4000");
        click(ui().Command1);
        const QList<SeenDialog> seen = expectDialogs(1);
        QCOMPARE(seen.size(), 1);
        QVERIFY2(seen[0].text.contains(QStringLiteral("溢出")), qPrintable(seen[0].text));
        QVERIFY(ui().Picture1->lines().isEmpty());
        QCOMPARE(ui().Text1->text(), QStringLiteral("4000"));

        typeInto(ui().Text1, "1.3");
        click(ui().Command1);
        QCOMPARE(ui().Picture1->lines(), QStringList{TAVRILO_TWO_WAY_TOTAL " m"});
    }

    void aNegativeTotalIsRefusedWithAMessage() {
        click(ui().Option2);
        typeInto(ui().Text1, "0.04");
        typeInto(ui().Text2, "0.001");
        click(ui().Command1);
        const QList<SeenDialog> seen = expectDialogs(1);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].title, Q(form_texts::kErrorTitle));
        QVERIFY(seen[0].text.contains(QStringLiteral("负值")));
        QVERIFY(ui().Picture1->lines().isEmpty());
    }

    void theFeedbackMessageShowsItsLinesBrokenAtTheCarriageReturns() {
        ui().AnswerTheQuestion->trigger();
        const QList<SeenDialog> seen = expectDialogs(1);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].title, Q(form_texts::kFeedbackTitle));
        QCOMPARE(seen[0].text,
                 Q(form_texts::FeedbackText("support@tavrilo.example.com", "123456789", "\n")));
        QVERIFY(!seen[0].hasIcon);
    }

    void theHomePageOpensInTheBrowserEachTimeItIsChosen() {
        ui().Homepage->trigger();
        ui().Homepage->trigger();
        QCOMPARE(opened_, (QList<QUrl>{QUrl("http://tavrilo.example.com/"),
                                       QUrl("http://tavrilo.example.com/")}));
    }

    void aHomePageThatCannotBeOpenedIsReported() {
        browserWorks_ = false;
        ui().Homepage->trigger();
        const QList<SeenDialog> seen = expectDialogs(1);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].title, Q(form_texts::kErrorTitle));
        QVERIFY(seen[0].text.contains(QStringLiteral("http://tavrilo.example.com/")));
    }

    // Glyphs must stay inside their control: measured with the font the
    // control actually uses, against the room the style leaves for text.
    void everyTextFitsInsideItsControl() {
        for (QWidget* widget : form_->findChildren<QWidget*>()) {
            const QFontMetrics fm = widget->fontMetrics();
            QString text;
            QRect room;
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                text = label->text();
                room = label->contentsRect();
            } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
                text = edit->text();
                QStyleOptionFrame option;
                option.initFrom(edit);
                option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
                room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
            } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
                text = radio->text();
                QStyleOptionButton option;
                option.initFrom(radio);
                option.text = text;
                room =
                    radio->style()->subElementRect(QStyle::SE_RadioButtonContents, &option, radio);
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                text = button->text();
                QStyleOptionButton option;
                option.initFrom(button);
                room =
                    button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                text = group->title();
                room = QRect(0, 0, group->width() - 16, fm.height());
            } else {
                continue;
            }
            if (text.isEmpty())
                continue;
            const QRect ink = fm.boundingRect(text);
            QVERIFY2(fm.horizontalAdvance(text) <= room.width(),
                     qPrintable(widget->objectName() + ": " + text + " needs " +
                                QString::number(fm.horizontalAdvance(text)) + " px, has " +
                                QString::number(room.width())));
            const QRect glyphs = fm.tightBoundingRect(text);
            QVERIFY2(glyphs.height() <= room.height(),
                     qPrintable(widget->objectName() + ": glyphs " +
                                QString::number(glyphs.height()) + " px high, room " +
                                QString::number(room.height())));
            Q_UNUSED(ink);
        }
        // The longest total the area is likely to show.
        const QFontMetrics fm = ui().Picture1->fontMetrics();
        QVERIFY(fm.horizontalAdvance(QStringLiteral("12345.678 m")) <=
                ui().Picture1->contentsRect().width());
    }

    // A total cut off is a wrong number: the longest text ResultText writes,
    // and totals that once showed cut off, show whole in the area as it
    // stands, in its own font when they fit and never below the smallest size.
    void everyTotalShowsWhole_data() {
        QTest::addColumn<double>("total");
        QTest::newRow("initial values") << tavrilo::test::kTwoWayTotal;
        QTest::newRow("D 1000, d 0.1") << 15709468.139;
        QTest::newRow("D 1e15, d 1e12") << 1.57081172840998e18;
        QTest::newRow("longest text") << -1.23456789012345e-308;
    }

    void everyTotalShowsWhole() {
        QFETCH(double, total);
        ResultArea* area = ui().Picture1;
        const QRect placed = area->geometry();
        const QString text = QString::fromStdString(
            tavrilo::ResultText(total, QLocale::system().decimalPoint().toStdString()));
        area->print(text);
        QCOMPARE(area->geometry(), placed);

        const ResultArea::LineFit fit = area->fit(text);
        const QRect room = area->textRect();
        const qreal width = QFontMetricsF(fit.font).horizontalAdvance(text) * fit.squeeze;
        QVERIFY2(width <= room.width(), qPrintable(text + " needs " + QString::number(width)));
        QVERIFY(fit.font.pixelSize() >= ResultArea::kSmallestPixelSize);
        const bool fitsAsIs = area->fontMetrics().horizontalAdvance(text) <= room.width();
        QCOMPARE(fit.font.pixelSize() == area->font().pixelSize() && fit.squeeze == 1, fitsAsIs);
        QVERIFY(fit.squeeze == 1 || fit.font.pixelSize() == ResultArea::kSmallestPixelSize);

        // As drawn: the ink ends where the text does, short of the edge.
        ui().Command1->setFocus(); // no focus frame in the area
        const QImage image = area->grab().toImage();
        const QRect inside = area->contentsRect();
        int right = -1;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                if (qGray(image.pixel(x, y)) < 160)
                    right = std::max(right, x);
        QVERIFY2(right >= room.left() + width - 4 && right < inside.right(),
                 qPrintable(text + ": ink to x = " + QString::number(right) + ", text to " +
                            QString::number(room.left() + width) + ", area to " +
                            QString::number(inside.right())));
    }

    // Run once more by ctest under a German locale, where the separator is a comma.
    void theTotalUsesTheDecimalSeparatorOfTheSystemLocale() {
        const QString expected = qEnvironmentVariable("TAVRILO_EXPECT_SEPARATOR", ".");
        QCOMPARE(QLocale::system().decimalPoint(), expected);
        typeInto(ui().Text1, "2");
        typeInto(ui().Text2, "0.012");
        typeInto(ui().Text3, "0.15"); // typed input keeps the period whatever the locale
        click(ui().Option2);
        click(ui().Command1);
        QCOMPARE(ui().Picture1->lines(), QStringList{"44" + expected + "513 m"});
    }

    void aScreenshotAfterACalculationShowsTheResult() {
        click(ui().Option2);
        click(ui().Command1);
        QCOMPARE(ui().Picture1->lines(), QStringList{TAVRILO_TWO_WAY_TOTAL " m"});
        const QImage shot = form_->grab().toImage();
        QVERIFY(!shot.isNull());
        const QString path = QStringLiteral(TAVRILO_SCREENSHOT_DIR "/form1_after_calculation.png");
        QVERIFY(shot.save(path));
        qInfo() << "window saved to" << path;
        // The result area's ink is dark text on the light base.
        const QRect area = ui().Picture1->geometry().translated(ui().centralwidget->pos());
        int dark = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                dark += qGray(shot.pixel(x, y)) < 100 ? 1 : 0;
        QVERIFY2(dark > 20, qPrintable(QString::number(dark)));
    }
};

QTEST_MAIN(Form1Test)
#include "form1_test.moc"
