#pragma once

#include "platform/platform_operations.h"

#include <QString>
#include <functional>

class QLineEdit;
class QRadioButton;
class QUrl;
class QWidget;

namespace tavrilo {

class ResultArea;

// The controls the commands work on.
struct FormControls {
    QWidget* window = nullptr; // parent of message boxes
    QLineEdit* text1 = nullptr;
    QLineEdit* text2 = nullptr;
    QLineEdit* text3 = nullptr;
    QRadioButton* option1 = nullptr;
    QRadioButton* option2 = nullptr;
    ResultArea* picture1 = nullptr;
};

// Opens a URL in the user's browser; returns whether it could.
using UrlOpener = std::function<bool(const QUrl&)>;

// Prompt text as a message box shows it: each carriage return is a line break.
QString MessageBoxText(std::string_view prompt);

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
