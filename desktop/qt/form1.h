#pragma once

// Form1, the calculator window.
//
// Data flow: the user types D, phi and d into Text1..Text3 and picks
// Option1 (one-way) or Option2 (two-way). A click on Command1 or Command2, or
// a menu item, runs one command (commands.h) on QtUiOperations bound to these
// controls; Calculate reads the boxes, computes the total and prints it into
// Picture1, or shows a message. Nothing else happens between clicks.

#include "desktop/commands.h"
#include "desktop/qt/qt_ui_operations.h"

#include <QMainWindow>
#include <memory>

class QApplication;

namespace Ui {
class Form1;
}

namespace tavrilo {

class Form1 : public QMainWindow {
    Q_OBJECT

public:
    // `openUrl` opens the home page; it defaults to the desktop's browser.
    explicit Form1(SupportLinks links, UrlOpener openUrl = {}, QWidget* parent = nullptr);
    ~Form1() override;

    const Ui::Form1& controls() const { return *ui_; }

protected:
    // Tab and Shift+Tab go round the controls in the window's tab order.
    bool focusNextPrevChild(bool next) override;

private:
    void Run(Command command);

    std::unique_ptr<Ui::Form1> ui_;
    std::unique_ptr<QtUiOperations> operations_;
    SupportLinks links_;
    QList<QWidget*> tabOrder_;
};

// Application-wide settings the window is laid out for: name, version, icon,
// style and the font, whose pixel size the fixed layout depends on.
void ConfigureApplication(QApplication& app);

} // namespace tavrilo
