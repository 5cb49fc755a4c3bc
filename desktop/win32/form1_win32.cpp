#include "desktop/win32/form1_win32.h"

#include "desktop/win32/win32_result_area.h"
#include "desktop/win32/win32_ui_operations.h"
#include "form1_win32_controls.h"

#include <algorithm>
#include <climits>
#include <commctrl.h>
#include <memory>
#include <vector>

namespace tavrilo {
namespace {

constexpr wchar_t kFormClass[] = L"TavriloForm1";
constexpr int kFontPoints = 9;
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFormExStyle = 0;
constexpr int kIconResource = 1;

using form1::ControlEntry;
using form1::ControlKind;

struct FormState {
    SupportLinks links;
    HWND window = nullptr;
    HFONT font = nullptr;
    HWND tooltip = nullptr;
    HWND lastFocus = nullptr;
    UINT dpi = 96;
    bool running = false; // a command is running (its message box may be open)
    std::unique_ptr<Win32UiOperations> operations;
};

FormState* State(HWND window) {
    return reinterpret_cast<FormState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

int Scale(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), 96);
}

const ControlEntry* FindEntry(int id) {
    for (const ControlEntry& entry : form1::kControls) {
        if (entry.id == id)
            return &entry;
    }
    return nullptr;
}

int CALLBACK CollectFamily(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM found) {
    // Names starting with @ are the vertical variants of a family.
    if (font->lfFaceName[0] != L'@')
        reinterpret_cast<std::vector<std::wstring>*>(found)->push_back(font->lfFaceName);
    return 1;
}

std::vector<std::wstring> Families(HDC dc, const wchar_t* name, BYTE charset) {
    LOGFONTW query{};
    query.lfCharSet = charset;
    wcsncpy(query.lfFaceName, name, LF_FACESIZE - 1);
    std::vector<std::wstring> found;
    EnumFontFamiliesExW(dc, &query, CollectFamily, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

std::wstring FindChineseUiFontFace() {
    const HDC dc = GetDC(nullptr);
    std::wstring face;
    for (const wchar_t* preferred : {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun"}) {
        if (!Families(dc, preferred, DEFAULT_CHARSET).empty()) {
            face = preferred;
            break;
        }
    }
    if (face.empty()) {
        const std::vector<std::wstring> chinese = Families(dc, L"", GB2312_CHARSET);
        if (!chinese.empty())
            face = chinese.front();
    }
    ReleaseDC(nullptr, dc);
    if (face.empty()) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            face = metrics.lfMessageFont.lfFaceName;
    }
    return face;
}

HFONT CreateUiFont(UINT dpi) {
    const LOGFONTW face = UiFont(dpi);
    return CreateFontIndirectW(&face);
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Button:
        return {L"BUTTON", BS_PUSHBUTTON, 0};
    case ControlKind::ResultArea:
        return {kResultAreaClass, 0, WS_EX_STATICEDGE};
    case ControlKind::Frame:
        return {L"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::OptionButton:
        return {L"BUTTON", BS_AUTORADIOBUTTON, 0};
    case ControlKind::TextBox:
        return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case ControlKind::Label:
        return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
    }
    return {L"STATIC", 0, 0};
}

// The order in which the controls are created, which is their Z order and so
// the order Tab visits them in: the controls that take the focus by tab
// position, then the labels, then the frames, which lie behind what they hold.
std::vector<const ControlEntry*> CreationOrder() {
    std::vector<const ControlEntry*> order;
    for (const ControlEntry& entry : form1::kControls)
        order.push_back(&entry);
    auto rank = [](const ControlEntry* entry) {
        if (entry->tabPosition >= 0)
            return entry->tabPosition;
        return form1::kTabStopCount + (entry->kind == ControlKind::Frame ? 1 : 0);
    };
    std::stable_sort(order.begin(), order.end(), [&](const ControlEntry* a, const ControlEntry* b) {
        return rank(a) < rank(b);
    });
    return order;
}

// Places every control for `dpi` and gives it the font.
void Layout(FormState& state) {
    for (const ControlEntry& entry : form1::kControls) {
        const HWND control = GetDlgItem(state.window, entry.id);
        SetWindowPos(control, nullptr, Scale(entry.left, state.dpi), Scale(entry.top, state.dpi),
                     Scale(entry.width, state.dpi), Scale(entry.height, state.dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), TRUE);
    }
    if (state.tooltip)
        SendMessageW(state.tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), TRUE);
}

// Sizes the window so that its client area is exactly Form1's, at `dpi`.
void FitClientArea(FormState& state, int left, int top) {
    RECT frame{0, 0, Scale(form1::kClientWidth, state.dpi), Scale(form1::kClientHeight, state.dpi)};
    AdjustWindowRectExForDpi(&frame, kFormStyle, TRUE, kFormExStyle, state.dpi);
    SetWindowPos(state.window, nullptr, left, top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The menu bar may take another height than the one assumed: correct by
    // what the client area really is.
    RECT client;
    GetClientRect(state.window, &client);
    const int dx = Scale(form1::kClientWidth, state.dpi) - client.right;
    const int dy = Scale(form1::kClientHeight, state.dpi) - client.bottom;
    if (dx != 0 || dy != 0) {
        RECT window;
        GetWindowRect(state.window, &window);
        SetWindowPos(state.window, nullptr, 0, 0, window.right - window.left + dx,
                     window.bottom - window.top + dy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
}

bool CreateControls(FormState& state, HINSTANCE instance) {
    bool previousWasOption = false;
    for (const ControlEntry* entry : CreationOrder()) {
        const ControlClass look = ClassOf(entry->kind);
        DWORD style = WS_CHILD | WS_VISIBLE | look.style;
        if (entry->tabPosition >= 0)
            style |= WS_TABSTOP;
        // The option buttons form one group: arrow keys move between them and
        // choosing one clears the other.
        const bool option = entry->kind == ControlKind::OptionButton;
        if (!(option && previousWasOption))
            style |= WS_GROUP;
        previousWasOption = option;
        const HWND control = CreateWindowExW(
            look.exStyle, look.name, entry->text, style, 0, 0, 0, 0, state.window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry->id)), instance, nullptr);
        if (!control)
            return false;
    }
    state.tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, state.window, nullptr, instance, nullptr);
    if (state.tooltip) {
        for (const ControlEntry& entry : form1::kControls) {
            if (!entry.tooltip)
                continue;
            TTTOOLINFOW tool{};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = state.window;
            tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(state.window, entry.id));
            tool.lpszText = const_cast<wchar_t*>(entry.tooltip);
            SendMessageW(state.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    return true;
}

HMENU CreateMenuBar() {
    const HMENU menu = CreateMenu();
    if (!menu)
        return nullptr;
    for (const form1::MenuEntry& item : form1::kMenu) {
        if (!AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(item.id), item.text)) {
            DestroyMenu(menu);
            return nullptr;
        }
    }
    return menu;
}

void Run(FormState& state, Command command) {
    // A command's message box keeps the window's own messages flowing: a
    // second command must not start inside the first.
    if (state.running)
        return;
    state.running = true;
    RunCommand(command, *state.operations, state.links);
    state.running = false;
}

// Checking a radio button takes the tab stop from the others of its group, so
// that Tab would visit only the chosen arrangement. The window keeps its
// fixed tab order instead, in which Tab visits both option buttons.
void KeepTabStops(const FormState& state) {
    for (const ControlEntry& entry : form1::kControls) {
        const HWND control = GetDlgItem(state.window, entry.id);
        const LONG_PTR style = GetWindowLongPtrW(control, GWL_STYLE);
        if (entry.tabPosition >= 0 && !(style & WS_TABSTOP))
            SetWindowLongPtrW(control, GWL_STYLE, style | WS_TABSTOP);
    }
}

void OnCommand(FormState& state, int id, HWND control) {
    if (const ControlEntry* entry = FindEntry(id);
        control && entry && entry->kind == ControlKind::OptionButton)
        KeepTabStops(state);
    if (control) {
        if (id == form1::kCommand1Id)
            Run(state, Command::Calculate);
        else if (id == form1::kCommand2Id)
            Run(state, Command::Clear);
    } else if (id == form1::kHomepageId) {
        Run(state, Command::HomePage);
    } else if (id == form1::kAnswerTheQuestionId) {
        Run(state, Command::Feedback);
    }
}

void OnDpiChanged(FormState& state, UINT dpi, const RECT& suggested) {
    const HFONT font = CreateUiFont(dpi);
    if (!font)
        return;
    const HFONT old = state.font;
    state.dpi = dpi;
    state.font = font;
    FitClientArea(state, suggested.left, suggested.top);
    Layout(state);
    DeleteObject(old);
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* state =
            static_cast<FormState*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        state->window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    }
    FormState* state = State(window);
    if (!state)
        return DefWindowProcW(window, message, wParam, lParam);

    switch (message) {
    case WM_COMMAND:
        OnCommand(*state, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(*state, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && IsChild(window, focus))
                state->lastFocus = focus;
        }
        break;
    case WM_SETFOCUS: {
        HWND focus = state->lastFocus;
        if (!focus || !IsWindow(focus))
            focus = GetNextDlgTabItem(window, nullptr, FALSE);
        if (focus)
            SetFocus(focus);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY: {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (state->font)
            DeleteObject(state->font);
        delete state;
        break;
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterFormClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = FormProc;
    windowClass.hInstance = instance;
    // The executable's own icon; a stock one when the build carries none.
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
    if (windowClass.hIcon) {
        windowClass.hIconSm = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                       GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    } else {
        windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    }
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kFormClass;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool IsPushButton(HWND form, HWND control) {
    if (!control || GetParent(control) != form)
        return false;
    const ControlEntry* entry = FindEntry(GetDlgCtrlID(control));
    return entry && entry->kind == ControlKind::Button;
}

} // namespace

std::wstring ChineseUiFontFace() {
    static const std::wstring face = FindChineseUiFontFace();
    return face;
}

LOGFONTW UiFont(UINT dpi) {
    LOGFONTW face{};
    face.lfHeight = -MulDiv(kFontPoints, static_cast<int>(dpi), 72);
    face.lfWeight = FW_NORMAL;
    face.lfCharSet = DEFAULT_CHARSET;
    face.lfQuality = CLEARTYPE_QUALITY;
    const std::wstring name = ChineseUiFontFace();
    wcsncpy(face.lfFaceName, name.c_str(), LF_FACESIZE - 1);

    // Some faces have tall lines ("Microsoft YaHei UI" takes about 1.3 times
    // its size): a line must fit inside the lowest text box, or its text is
    // cut at the bottom. Then the font is sized by its line height instead.
    int lowest = INT_MAX;
    for (const ControlEntry& entry : form1::kControls) {
        if (entry.kind == ControlKind::TextBox)
            lowest = std::min(lowest, Scale(entry.height, dpi) -
                                          2 * GetSystemMetricsForDpi(SM_CYEDGE, dpi));
    }
    if (const HFONT font = CreateFontIndirectW(&face)) {
        const HDC dc = GetDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICW metrics{};
        if (GetTextMetricsW(dc, &metrics) && metrics.tmHeight > lowest)
            face.lfHeight = lowest; // positive: the height of the line
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        DeleteObject(font);
    }
    return face;
}

HWND CreateForm1(HINSTANCE instance, SupportLinks links, int show) {
    if (!RegisterResultAreaClass(instance) || !RegisterFormClass(instance))
        return nullptr;
    auto owned = std::make_unique<FormState>();
    FormState* state = owned.get();
    state->links = std::move(links);
    const HWND window = CreateWindowExW(kFormExStyle, kFormClass, form1::kTitle, kFormStyle,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                        nullptr, nullptr, instance, state);
    if (!window)
        return nullptr;
    owned.release(); // the window owns its state from WM_NCCREATE on
    state->dpi = GetDpiForWindow(window);
    state->font = CreateUiFont(state->dpi);
    const HMENU menu = CreateMenuBar();
    if (!state->font || !menu || !SetMenu(window, menu) || !CreateControls(*state, instance)) {
        DestroyWindow(window);
        return nullptr;
    }
    RECT placed;
    GetWindowRect(window, &placed);
    FitClientArea(*state, placed.left, placed.top);
    Layout(*state);
    state->operations = std::make_unique<Win32UiOperations>(Win32FormControls{
        window, GetDlgItem(window, form1::kText1Id), GetDlgItem(window, form1::kText2Id),
        GetDlgItem(window, form1::kText3Id), GetDlgItem(window, form1::kOption1Id),
        GetDlgItem(window, form1::kOption2Id), GetDlgItem(window, form1::kPicture1Id)});
    ShowWindow(window, show);
    UpdateWindow(window);
    return window;
}

int RunForm1(HWND form) {
    MSG message;
    BOOL got;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (got == -1)
            return 1;
        // Return and keypad Enter press the focused button, as Space does.
        if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
            IsPushButton(form, message.hwnd)) {
            SendMessageW(message.hwnd, BM_CLICK, 0, 0);
            continue;
        }
        if (IsWindow(form) && IsDialogMessageW(form, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace tavrilo
