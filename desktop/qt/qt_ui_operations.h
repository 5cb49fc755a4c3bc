#pragma once

#include "desktop/ui_operations.h"

#include <QString>
#include <functional>

class QLineEdit;
class QRadioButton;
class QUrl;
class QWidget;

namespace tavrilo {

class ResultArea;

// The controls the commands work on, by the window's names. Fill it with
// designated initialisers, so that each control goes by its name.
struct FormControls {
    QWidget* Window = nullptr; // parent of message boxes
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    ResultArea* Picture1 = nullptr;
};

// Opens a URL in the user's browser; returns whether it could.
using UrlOpener = std::function<bool(const QUrl&)>;

// The operations on real Qt widgets.
class QtUiOperations final : public UiOperations {
public:
    // `openUrl` defaults to the desktop's default browser.
    explicit QtUiOperations(FormControls controls, UrlOpener openUrl = {});

    Status ReadText(TextBoxId box, std::string& text) override;
    Status SetText(TextBoxId box, std::string_view text) override;
    Status ReadOption(OptionId option, bool& selected) override;
    Status ClearResult() override;
    Status PrintResult(std::string_view text) override;
    Status ShowMessage(std::string_view prompt, std::string_view title) override;
    Status OpenHomePage(std::string_view url) override;
    std::string DecimalSeparator() override;

private:
    QLineEdit* Box(TextBoxId box) const;

    FormControls controls_;
    UrlOpener openUrl_;
};

} // namespace tavrilo
