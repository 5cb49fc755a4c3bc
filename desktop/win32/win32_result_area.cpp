#include "desktop/win32/win32_result_area.h"

#include <algorithm>
#include <commctrl.h>
#include <string>
#include <vector>

namespace tavrilo {
namespace {

// Window extra bytes: the font set with WM_SETFONT, whether the text was
// drawn smaller or narrowed the last time, and the tooltip.
constexpr int kFontSlot = 0;
constexpr int kSmallerSlot = kFontSlot + sizeof(LONG_PTR);
constexpr int kTooltipSlot = kSmallerSlot + sizeof(LONG_PTR);
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

// The window's font, or, when the widest line would not fit `width` in it,
// a smaller size of the same face, down to the legible minimum; and when even
// that is too wide, the minimum narrowed (a smaller average character width)
// until the line fits. The caller deletes the font when it differs from `base`.
HFONT FittingFont(HWND window, HDC dc, HFONT base, const std::vector<std::wstring>& lines,
                  int width) {
    auto widest = [&](HFONT font) {
        int most = 0;
        for (const std::wstring& line : lines)
            most = std::max(most, TextWidth(dc, font, line));
        return most;
    };
    LOGFONTW face{};
    if (widest(base) <= width || !GetObjectW(base, sizeof face, &face))
        return base;
    TEXTMETRICW metrics{};
    const HGDIOBJ old = SelectObject(dc, base);
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    // Sizes are em heights (negative lfHeight), whatever `base` was asked for in.
    int size = metrics.tmHeight - metrics.tmInternalLeading;
    const int dpi = static_cast<int>(GetDpiForWindow(window));
    const int minimum = MulDiv(kResultAreaMinimumFontPixels, dpi, 96);
    HFONT font = base;
    auto use = [&](const LOGFONTW& candidate) {
        const HFONT made = CreateFontIndirectW(&candidate);
        if (!made)
            return false;
        if (font != base)
            DeleteObject(font);
        font = made;
        return true;
    };
    int drawn = widest(font);
    while (drawn > width && size > minimum) {
        face.lfHeight = -(--size);
        face.lfWidth = 0;
        if (!use(face))
            return font;
        drawn = widest(font);
    }
    if (drawn <= width)
        return font;
    // Narrowed in proportion, then a step at a time for the rounding.
    const HGDIOBJ previous = SelectObject(dc, font);
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    int average = MulDiv(metrics.tmAveCharWidth, width, drawn);
    for (; average >= 1 && drawn > width; --average) {
        face.lfWidth = average;
        if (!use(face))
            return font;
        drawn = widest(font);
    }
    return font;
}

// Draws the lines into `dc`: for WM_PAINT, and for WM_PRINTCLIENT (a copy of
// the area, as PrintWindow and AnimateWindow take it).
void Draw(HWND window, HDC dc) {
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
    SetWindowLongPtrW(window, kSmallerSlot, font != base);
    const HGDIOBJ old = SelectObject(dc, font);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // The area is one line high: the first line is centred in it, the others
    // follow below (and are clipped, as on a picture box). Each line is drawn
    // whole: a number cut short would be a wrong number.
    text.top = area.top + (area.bottom - area.top - metrics.tmHeight) / 2;
    for (const std::wstring& line : lines) {
        text.bottom = text.top + metrics.tmHeight;
        DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &text,
                  DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        text.top = text.bottom;
    }
    SelectObject(dc, old);
    if (font != base)
        DeleteObject(font);
    if (GetFocus() == window)
        DrawFocusRect(dc, &area);
}

void Paint(HWND window) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    Draw(window, dc);
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
        // The whole text, when the area shows it smaller or narrowed.
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
            shown = GetWindowLongPtrW(window, kSmallerSlot) ? WindowText(window) : std::wstring();
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
    case WM_PRINTCLIENT:
        Draw(window, reinterpret_cast<HDC>(wParam));
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
