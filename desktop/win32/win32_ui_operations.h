#pragma once

// The user-interface operations on the controls of the Win32 window.

#include "desktop/ui_operations.h"

#include <string>
#include <string_view>
#include <windows.h>

namespace tavrilo {

// The controls the commands work on.
struct Win32FormControls {
    HWND window = nullptr; // owner of message boxes
    HWND text1 = nullptr;
    HWND text2 = nullptr;
    HWND text3 = nullptr;
    HWND option1 = nullptr;
    HWND option2 = nullptr;
    HWND picture1 = nullptr; // a result area (win32_result_area.h)
};

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// Prompt text as a message box shows it: each carriage return, alone or
// followed by a line feed, becomes one line break (CR LF).
std::wstring MessageBoxText(std::string_view prompt);

class Win32UiOperations final : public UiOperations {
public:
    explicit Win32UiOperations(Win32FormControls controls) : controls_(controls) {}

    Status ReadText(TextBoxId box, std::string& text) override;
    Status SetText(TextBoxId box, std::string_view text) override;
    Status ReadOption(OptionId option, bool& selected) override;
    Status ClearResult() override;
    Status PrintResult(std::string_view text) override;
    Status ShowMessage(std::string_view prompt, std::string_view title) override;
    Status OpenHomePage(std::string_view url) override;
    std::string DecimalSeparator() override;

private:
    HWND Box(TextBoxId box) const;

    Win32FormControls controls_;
};

} // namespace tavrilo
