#include "desktop/win32/win32_result_area.h"

#include <commctrl.h>
#include <cwctype>
#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {
namespace {

// Window extra bytes: the font set with WM_SETFONT, whether the text was
// drawn smaller or shortened the last time, and the tooltip.
constexpr int kFontSlot = 0;
constexpr int kShortenedSlot = kFontSlot + sizeof(LONG_PTR);
constexpr int kTooltipSlot = kShortenedSlot + sizeof(LONG_PTR);
constexpr int kExtraBytes = kTooltipSlot + sizeof(LONG_PTR);

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    if (text.empty())
        return lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(L"\r\n", start);
        lines.push_back(text.substr(start, end == std::wstring::npos ? end : end - start));
        if (end == std::wstring::npos)
            return lines;
        start = end + 2;
    }
}

int TextWidth(HDC dc, HFONT font, const std::wstring& text) {
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    return size.cx;
}

// The window's font, or a smaller one of the same face when the widest line
// would not fit `width` otherwise; never below the legible minimum. The
// caller deletes the font when it differs from `base`.
HFONT FittingFont(HWND window, HDC dc, HFONT base, const std::vector<std::wstring>& lines,
                  int width) {
    LOGFONTW face{};
    if (!GetObjectW(base, sizeof face, &face))
        return base;
    const int dpi = static_cast<int>(GetDpiForWindow(window));
    const int minimum = MulDiv(kResultAreaMinimumFontPixels, dpi, 96);
    auto fits = [&](HFONT font) {
        for (const std::wstring& line : lines) {
            if (TextWidth(dc, font, line) > width)
                return false;
        }
        return true;
    };
    if (fits(base))
        return base;
    int height = face.lfHeight < 0 ? -face.lfHeight : face.lfHeight;
    HFONT font = base;
    while (height > minimum) {
        --height;
        face.lfHeight = -height;
        const HFONT smaller = CreateFontIndirectW(&face);
        if (!smaller)
            break;
        if (font != base)
            DeleteObject(font);
        font = smaller;
        if (fits(font))
            break;
    }
    return font;
}

} // namespace

std::wstring ShortenedLine(HDC dc, HFONT font, const std::wstring& line, int width) {
    if (TextWidth(dc, font, line) <= width)
        return line;
    auto digit = [&](std::size_t i) { return i < line.size() && iswdigit(line[i]); };
    std::size_t separator = line.starts_with(L"-") ? 1 : 0;
    while (digit(separator))
        ++separator;
    if (!digit(separator + 1))
        return line; // no decimals to give up
    std::size_t end = separator + 1;
    while (digit(end))
        ++end;
    std::wstring shortened = line;
    for (std::size_t keep = end - separator - 2;; --keep) {
        // Keep `keep` decimals; with none the separator goes too.
        shortened =
            line.substr(0, keep ? separator + 1 + keep : separator) + L"\x2026" + line.substr(end);
        if (keep == 0 || TextWidth(dc, font, shortened) <= width)
            return shortened;
    }
}

namespace {

void Paint(HWND window) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT area;
    GetClientRect(window, &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));

    const std::vector<std::wstring> lines = Lines(WindowText(window));
    auto base = reinterpret_cast<HFONT>(GetWindowLongPtrW(window, kFontSlot));
    if (!base)
        base = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const int dpi = static_cast<int>(GetDpiForWindow(window));
    const int margin = MulDiv(1, dpi, 96);
    RECT text = area;
    InflateRect(&text, -margin, 0);
    const HFONT font = FittingFont(window, dc, base, lines, text.right - text.left);
    SetWindowLongPtrW(window, kShortenedSlot, font != base);
    const HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // The area is one line high: the first line is centred in it, the others
    // follow below (and are clipped, as on a picture box).
    text.top = area.top + (area.bottom - area.top - metrics.tmHeight) / 2;
    for (const std::wstring& line : lines) {
        text.bottom = text.top + metrics.tmHeight;
        const std::wstring shown = ShortenedLine(dc, font, line, text.right - text.left);
        DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &text,
                  DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        text.top = text.bottom;
    }
    SelectObject(dc, old);
    if (font != base)
        DeleteObject(font);
    if (GetFocus() == window)
        DrawFocusRect(dc, &area);
    EndPaint(window, &paint);
}

LRESULT CALLBACK ResultAreaProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kResultAreaClear:
        SetWindowTextW(window, L"");
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case kResultAreaPrint: {
        const auto* line = reinterpret_cast<const wchar_t*>(lParam);
        if (!line)
            return FALSE;
        std::wstring text = WindowText(window);
        if (!text.empty())
            text += L"\r\n";
        text += line;
        const BOOL kept = SetWindowTextW(window, text.c_str());
        InvalidateRect(window, nullptr, TRUE);
        return kept;
    }
    case WM_CREATE: {
        // The whole text, when the area shows it smaller or shortened.
        const HWND tooltip = CreateWindowExW(
            WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
            reinterpret_cast<const CREATESTRUCTW*>(lParam)->hInstance, nullptr);
        if (tooltip) {
            TTTOOLINFOW tool{};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = window;
            tool.uId = reinterpret_cast<UINT_PTR>(window);
            tool.lpszText = LPSTR_TEXTCALLBACKW;
            SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
            SetWindowLongPtrW(window, kTooltipSlot, reinterpret_cast<LONG_PTR>(tooltip));
        }
        return 0;
    }
    case WM_NOTIFY: {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (info->hdr.code == TTN_GETDISPINFOW) {
            // One user-interface thread: the text stays until the next request.
            static std::wstring shown;
            shown = GetWindowLongPtrW(window, kShortenedSlot) ? WindowText(window) : std::wstring();
            info->lpszText = shown.data();
            SendMessageW(info->hdr.hwndFrom, TTM_SETMAXTIPWIDTH, 0, 600);
        }
        return 0;
    }
    case WM_SETFONT:
        if (const auto tooltip = reinterpret_cast<HWND>(GetWindowLongPtrW(window, kTooltipSlot)))
            SendMessageW(tooltip, WM_SETFONT, wParam, FALSE);
        SetWindowLongPtrW(window, kFontSlot, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam))
            InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return GetWindowLongPtrW(window, kFontSlot);
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_ERASEBKGND:
        return 1; // WM_PAINT fills the whole area
    case WM_LBUTTONDOWN:
        SetFocus(window);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_KEYDOWN:
        // The total can be copied into a spreadsheet or an order with Ctrl+C.
        if (wParam == 'C' && (GetKeyState(VK_CONTROL) & 0x8000)) {
            const std::wstring text = WindowText(window);
            if (!text.empty() && OpenClipboard(window)) {
                EmptyClipboard();
                const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
                if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
                    if (void* data = GlobalLock(memory)) {
                        CopyMemory(data, text.c_str(), bytes);
                        GlobalUnlock(memory);
                        if (!SetClipboardData(CF_UNICODETEXT, memory))
                            GlobalFree(memory);
                    } else {
                        GlobalFree(memory);
                    }
                }
                CloseClipboard();
            }
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

bool RegisterResultAreaClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ResultAreaProc;
    windowClass.cbWndExtra = kExtraBytes;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.lpszClassName = kResultAreaClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace tavrilo
