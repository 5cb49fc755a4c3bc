#include "desktop/win32/win32_ui_operations.h"

#include "desktop/win32/win32_result_area.h"
#include "text/utf8.h"

#include <shellapi.h>

namespace tavrilo {
namespace {

// `what` and the number of the last Windows error, for the user.
Status Failed(std::string what) {
    const DWORD error = GetLastError();
    if (error != ERROR_SUCCESS)
        what += "（Windows 错误 " + std::to_string(error) + "）";
    return Status::Failed(std::move(what));
}

bool IsControl(HWND control) {
    return control && IsWindow(control);
}

} // namespace

std::wstring WideFromUtf8(std::string_view text) {
    const std::u16string utf16 = Utf16FromUtf8(text);
    return std::wstring(utf16.begin(), utf16.end());
}

std::string Utf8FromWide(std::wstring_view text) {
    return Utf8FromUtf16(std::u16string(text.begin(), text.end()));
}

std::wstring MessageBoxText(std::string_view prompt) {
    const std::wstring wide = WideFromUtf8(prompt);
    std::wstring text;
    text.reserve(wide.size() + 8);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        text += wide[i];
        if (wide[i] == L'\r' && (i + 1 == wide.size() || wide[i + 1] != L'\n'))
            text += L'\n';
    }
    return text;
}

HWND Win32UiOperations::Box(TextBoxId box) const {
    switch (box) {
    case TextBoxId::Text1:
        return controls_.text1;
    case TextBoxId::Text2:
        return controls_.text2;
    case TextBoxId::Text3:
        return controls_.text3;
    }
    return nullptr;
}

Status Win32UiOperations::ReadText(TextBoxId box, std::string& text) {
    const HWND edit = Box(box);
    if (!IsControl(edit))
        return Status::Failed("读取输入框失败：控件不存在");
    SetLastError(ERROR_SUCCESS);
    const int length = GetWindowTextLengthW(edit);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(edit, wide.data(), length + 1);
    if (read == 0 && GetLastError() != ERROR_SUCCESS)
        return Failed("读取输入框失败");
    wide.resize(static_cast<std::size_t>(read));
    text = Utf8FromWide(wide);
    return Status::Ok();
}

Status Win32UiOperations::SetText(TextBoxId box, std::string_view text) {
    const HWND edit = Box(box);
    if (!IsControl(edit))
        return Status::Failed("设置输入框失败：控件不存在");
    if (!SetWindowTextW(edit, WideFromUtf8(text).c_str()))
        return Failed("设置输入框失败");
    return Status::Ok();
}

Status Win32UiOperations::ReadOption(OptionId option, bool& selected) {
    const HWND button = option == OptionId::Option1 ? controls_.option1 : controls_.option2;
    if (!IsControl(button))
        return Status::Failed("读取布置形式失败：控件不存在");
    selected = SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
    return Status::Ok();
}

Status Win32UiOperations::ClearResult() {
    if (!IsControl(controls_.picture1))
        return Status::Failed("清除结果失败：控件不存在");
    if (!SendMessageW(controls_.picture1, kResultAreaClear, 0, 0))
        return Failed("清除结果失败");
    return Status::Ok();
}

Status Win32UiOperations::PrintResult(std::string_view text) {
    if (!IsControl(controls_.picture1))
        return Status::Failed("显示结果失败：控件不存在");
    const std::wstring line = WideFromUtf8(text);
    if (!SendMessageW(controls_.picture1, kResultAreaPrint, 0,
                      reinterpret_cast<LPARAM>(line.c_str())))
        return Failed("显示结果失败");
    return Status::Ok();
}

Status Win32UiOperations::ShowMessage(std::string_view prompt, std::string_view title) {
    SetLastError(ERROR_SUCCESS);
    if (MessageBoxW(controls_.window, MessageBoxText(prompt).c_str(), WideFromUtf8(title).c_str(),
                    MB_OK) == 0)
        return Failed("无法显示消息框");
    return Status::Ok();
}

Status Win32UiOperations::OpenHomePage(std::string_view url) {
    // Only a web address goes to the shell: anything else could start a program.
    if (!url.starts_with("http://") && !url.starts_with("https://"))
        return Status::Failed("主页地址无效：" + std::string(url));
    SetLastError(ERROR_SUCCESS);
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        controls_.window, L"open", WideFromUtf8(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) {
        if (GetLastError() == ERROR_SUCCESS)
            SetLastError(static_cast<DWORD>(result));
        return Failed("无法在浏览器中打开主页 " + std::string(url));
    }
    return Status::Ok();
}

std::string Win32UiOperations::DecimalSeparator() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) <= 1)
        return ".";
    return Utf8FromWide(separator);
}

} // namespace tavrilo
