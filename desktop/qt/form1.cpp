#include "desktop/qt/form1.h"

#include "desktop/qt/result_area.h"
#include "ui_form1.h"
#include "version.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLayout>
#include <QStyleFactory>

namespace tavrilo {

Form1::Form1(SupportLinks links, UrlOpener openUrl, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::Form1>()), links_(std::move(links)) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/tavrilo/tavrilo.png")));
    // The controls keep their places: the window neither grows nor shrinks.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    operations_ = std::make_unique<QtUiOperations>(FormControls{.Window = this,
                                                                .Text1 = ui_->Text1,
                                                                .Text2 = ui_->Text2,
                                                                .Text3 = ui_->Text3,
                                                                .Option1 = ui_->Option1,
                                                                .Option2 = ui_->Option2,
                                                                .Picture1 = ui_->Picture1},
                                                   std::move(openUrl));

    // The tab order form1.ui gives, taken before Qt starts dropping option
    // buttons from it: in a group of radio buttons Qt lets Tab stop only on
    // the chosen or focused one, and the others are reached with the arrow
    // keys. Here Tab visits both, as on Windows.
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && isAncestorOf(w))
            tabOrder_ << w;
    }

    // Return and keypad Enter press the focused button, as Space does.
    for (QPushButton* button : {ui_->Command1, ui_->Command2})
        button->setAutoDefault(true);

    connect(ui_->Command1, &QPushButton::clicked, this, [this] { Run(Command::Calculate); });
    connect(ui_->Command2, &QPushButton::clicked, this, [this] { Run(Command::Clear); });
    connect(ui_->Homepage, &QAction::triggered, this, [this] { Run(Command::HomePage); });
    connect(ui_->AnswerTheQuestion, &QAction::triggered, this, [this] { Run(Command::Feedback); });
}

Form1::~Form1() = default;

bool Form1::focusNextPrevChild(bool next) {
    const qsizetype count = tabOrder_.size();
    const qsizetype at = tabOrder_.indexOf(focusWidget());
    if (at < 0)
        return QMainWindow::focusNextPrevChild(next);
    for (qsizetype step = 1; step < count; ++step) {
        QWidget* candidate = tabOrder_[(at + (next ? step : count - step)) % count];
        if (candidate->isEnabled() && candidate->isVisibleTo(this)) {
            candidate->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return true;
}

void Form1::Run(Command command) {
    RunCommand(command, *operations_, links_);
}

void ConfigureApplication(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("Tavrilo"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tavrilo"));
    QApplication::setApplicationVersion(QStringLiteral(TAVRILO_VERSION_STRING));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tavrilo/tavrilo.png")));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The window is laid out in pixels, so its font is sized in pixels too:
    // 12 px is 9 points at 96 dots per inch.
    QFont font = app.font();
    font.setFamilies({QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Sans Serif")});
    font.setPixelSize(12);
    QApplication::setFont(font);
}

} // namespace tavrilo
