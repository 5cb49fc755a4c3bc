// Drives the real tavrilo.exe through the Win32 API, as a user would: types
// into the boxes, clicks, presses keys, reads the result area and the message
// boxes, and measures every text against its control.
//
//   form1_driver TAVRILO_EXE BROWSER_STAND_IN BROWSER_LOG
//   form1_driver --pose TAVRILO_EXE
//
// Paths may be Unix paths (the program runs under Wine). Prints each failed
// check and exits 1 if there was one. With --pose it only shows the worked
// example (27.533 m, two-way), prints "ready" and the result area's place on
// the screen, and waits until the window is closed:
// scripts/windows-screenshot.sh photographs it then.
//
// Nothing here waits a fixed time: each step waits for what it leads to (a
// focus that moves, a text that changes, a box that opens), up to a deadline,
// and names what it waited for when the deadline passes.

#include "calc/tests/initial_values.h"
#include "desktop/commands.h"
#include "desktop/support_links.h"
#include "desktop/tests/form_texts.h"
#include "desktop/win32/form1_win32.h"
#include "desktop/win32/win32_result_area.h"
#include "desktop/win32/win32_ui_operations.h"
#include "form1_win32_controls.h"
#include "text/messages.h"
#include "version.h"

#include <algorithm>
#include <chrono>
#include <commctrl.h>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <windows.h>

using namespace tavrilo;
namespace form_texts = tavrilo::test::form_texts;

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
    if (!ok) {
        ++failures;
        std::fprintf(stderr, "FAIL: %s\n", what.c_str());
    }
}

using Clock = std::chrono::steady_clock;
// How long the program may take to show what a step leads to on a busy machine.
constexpr std::chrono::seconds kPatience{15};

// Polls `condition` until it holds; past the deadline, fails naming `what`.
template <typename Condition>
bool WaitFor(const std::string& what, Condition condition,
             std::chrono::seconds patience = kPatience) {
    const Clock::time_point deadline = Clock::now() + patience;
    while (!condition()) {
        if (Clock::now() >= deadline) {
            Check(false, "waited " + std::to_string(patience.count()) + " s for " + what);
            return false;
        }
        Sleep(10);
    }
    return true;
}

std::string Narrow(const std::wstring& text) {
    return Utf8FromWide(text);
}

std::wstring WindowsPath(std::string path) {
    if (path.starts_with("/"))
        path = "Z:" + path;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return WideFromUtf8(path);
}

// The text of a control of another process (WM_GETTEXT is carried across).
std::wstring TextOf(HWND control) {
    wchar_t buffer[1024] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL,
                        5000, &ignored);
    return buffer;
}

void SetTextOf(HWND control, const std::wstring& text) {
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

struct Program {
    PROCESS_INFORMATION process{};
    HWND form = nullptr;
    HWND Item(int id) const { return GetDlgItem(form, id); }
};

// Returns once the program has handled every message sent to it so far, or
// sits in the loop of a message box one of them opened: messages sent from
// one thread to another are handled in the order they were sent. (Posted
// messages may come later: wait for what they do instead.)
bool Handled(const Program& program, const std::string& after) {
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutW(program.form, WM_NULL, 0, 0, SMTO_NORMAL, 15000, &ignored))
        return true;
    Check(false, after + ": the window did not answer within 15 s");
    return false;
}

// Sends `message` without waiting for its answer (it may open a message
// box), then waits until it has been handled.
void SendAndWait(const Program& program, HWND window, UINT message, WPARAM wParam,
                 const std::string& what) {
    SendNotifyMessageW(window, message, wParam, 0);
    Handled(program, what);
}

HWND Focus(const Program& program) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(program.process.dwThreadId, &info);
    return info.hwndFocus;
}

struct FindWindowData {
    DWORD processId;
    const wchar_t* className;
    bool shown; // only a window on the screen
    HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM data) {
    auto* find = reinterpret_cast<FindWindowData*>(data);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (processId == find->processId && std::wstring(name) == find->className &&
        (!find->shown || IsWindowVisible(window))) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

// The first top-level window of the process `processId` of the class
// `className`; with `shown`, only one on the screen.
HWND FindProcessWindow(DWORD processId, const wchar_t* className, bool shown) {
    FindWindowData find{processId, className, shown, nullptr};
    EnumWindows(FindWindowOfProcess, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

void SetDpi(DWORD dpi) {
    for (auto [root, key] : {std::pair{HKEY_CURRENT_USER, L"Control Panel\\Desktop"},
                             std::pair{HKEY_CURRENT_CONFIG, L"Software\\Fonts"}}) {
        HKEY handle;
        if (RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) ==
            ERROR_SUCCESS) {
            RegSetValueExW(handle, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                           sizeof dpi);
            RegCloseKey(handle);
        }
    }
}

// Starts tavrilo.exe at `dpi` and waits until the last of its controls exists.
bool Start(Program& program, const std::wstring& exe, DWORD dpi) {
    SetDpi(dpi);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &program.process)) {
        Check(false,
              "cannot start " + Narrow(exe) + " (error " + std::to_string(GetLastError()) + ")");
        return false;
    }
    const int lastId = form1::kControls[std::size(form1::kControls) - 1].id;
    bool ended = false;
    WaitFor(
        "the window at " + std::to_string(dpi) + " dpi, with its controls and the focus",
        [&] {
            ended = WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0;
            const HWND found =
                FindProcessWindow(program.process.dwProcessId, L"TavriloForm1", false);
            if (found && IsWindowVisible(found) && GetDlgItem(found, lastId))
                program.form = found;
            return ended || (program.form && IsChild(program.form, Focus(program)));
        },
        std::chrono::seconds(60));
    Check(!ended, "tavrilo.exe ended before showing its window");
    return !ended && program.form && Handled(program, "starting");
}

// Closes the window as the user would and checks that the program ends.
void Stop(Program& program) {
    if (program.form)
        PostMessageW(program.form, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(program.process.hProcess, 20000) == WAIT_OBJECT_0;
    Check(ended, "closing the window ends the program");
    if (!ended)
        TerminateProcess(program.process.hProcess, 1);
    DWORD code = 1;
    GetExitCodeProcess(program.process.hProcess, &code);
    Check(!ended || code == 0, "exit code 0 after closing, got " + std::to_string(code));
    CloseHandle(program.process.hThread);
    CloseHandle(program.process.hProcess);
    program = {};
}

struct Box {
    HWND window = nullptr;
    std::wstring title;
    std::wstring text;
};

// A message box of the program; with `shown` false also one about to be shown.
HWND FindBox(const Program& program, bool shown = true) {
    return FindProcessWindow(program.process.dwProcessId, L"#32770", shown);
}

// Waits for a message box of the program, reads it, checks that it is modal
// over the window with an OK button only and no icon, and closes it with OK.
Box TakeBox(const Program& program, const std::string& during) {
    Box box;
    if (!WaitFor(during + ": a message box", [&] { return (box.window = FindBox(program)); }))
        return box;
    wchar_t title[256] = {};
    GetWindowTextW(box.window, title, 256);
    box.title = title;
    box.text = TextOf(GetDlgItem(box.window, 0xFFFF));
    Check(GetWindow(box.window, GW_OWNER) == program.form, during + ": box owned by the window");
    Check(!IsWindowEnabled(program.form), during + ": box is modal");
    int buttons = 0;
    for (HWND child = GetWindow(box.window, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[64] = {};
        GetClassNameW(child, name, 64);
        if (IsWindowVisible(child) && lstrcmpiW(name, L"Button") == 0) {
            ++buttons;
            Check(GetDlgCtrlID(child) == IDOK, during + ": the button is OK");
        }
        if (IsWindowVisible(child) && lstrcmpiW(name, L"Static") == 0)
            Check(SendMessageW(child, STM_GETICON, 0, 0) == 0, during + ": no icon");
    }
    Check(buttons == 1, during + ": one button, found " + std::to_string(buttons));
    PostMessageW(box.window, WM_COMMAND, IDOK, 0);
    WaitFor(during + ": OK to close the box", [&] { return !IsWindow(box.window); });
    Handled(program, during);
    return box;
}

void ExpectBox(const Program& program, const std::string& during, std::string_view prompt,
               std::string_view title) {
    const Box box = TakeBox(program, during);
    Check(Narrow(box.text) == prompt, during + ": message \"" + Narrow(box.text) +
                                          "\", expected \"" + std::string(prompt) + "\"");
    Check(Narrow(box.title) == title, during + ": title \"" + Narrow(box.title) + "\"");
}

// After the messages sent so far: a box opened by one of them exists (if not
// yet shown) and has disabled the window.
void ExpectNoBox(const Program& program, const std::string& during) {
    Handled(program, during);
    Check(IsWindowEnabled(program.form), during + ": the window is disabled, as under a box");
    if (const HWND box = FindBox(program, false)) {
        Check(false,
              during + ": unexpected message \"" + Narrow(TextOf(GetDlgItem(box, 0xFFFF))) + "\"");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        WaitFor(during + ": the unexpected box to close", [&] { return !IsWindow(box); });
    }
}

void Click(const Program& program, int id) {
    SendAndWait(program, program.Item(id), BM_CLICK, 0, "clicking " + std::to_string(id));
}

void ChooseMenu(const Program& program, int id) {
    SendAndWait(program, program.form, WM_COMMAND, static_cast<WPARAM>(id),
                "menu command " + std::to_string(id));
}

void SetInputs(const Program& program, const wchar_t* d, const wchar_t* phi, const wchar_t* s) {
    SetTextOf(program.Item(form1::kText1Id), d);
    SetTextOf(program.Item(form1::kText2Id), phi);
    SetTextOf(program.Item(form1::kText3Id), s);
}

bool Checked(const Program& program, int id) {
    return SendMessageW(program.Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string Result(const Program& program) {
    return Narrow(TextOf(program.Item(form1::kPicture1Id)));
}

const form1::ControlEntry* EntryOf(HWND control) {
    for (const form1::ControlEntry& entry : form1::kControls) {
        if (entry.id == GetDlgCtrlID(control))
            return &entry;
    }
    return nullptr;
}

std::string NameOf(HWND control) {
    const form1::ControlEntry* entry = EntryOf(control);
    return entry ? entry->name : "(none)";
}

struct FindTooltip {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindTooltipWindow(HWND window, LPARAM data) {
    auto* find = reinterpret_cast<FindTooltip*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (GetWindow(window, GW_OWNER) == find->owner && lstrcmpiW(name, TOOLTIPS_CLASSW) == 0 &&
        IsWindowVisible(window)) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

const form1::ControlEntry* EntryNamed(std::string_view name) {
    for (const form1::ControlEntry& entry : form1::kControls) {
        if (entry.name == name)
            return &entry;
    }
    Check(false, "no control " + std::string(name));
    return nullptr;
}

// Rests the mouse on each control and reads the tooltip that comes up.
void TestTooltips(const Program& program) {
    for (const form_texts::ControlText& expected : form_texts::kControls) {
        const form1::ControlEntry* entry = EntryNamed(expected.name);
        if (!entry || !*expected.toolTip) {
            Check(!entry || !entry->tooltip, std::string(expected.name) + " has no tooltip");
            continue;
        }
        RECT place;
        GetWindowRect(program.Item(entry->id), &place);
        const POINT centre{(place.left + place.right) / 2, (place.top + place.bottom) / 2};
        SetCursorPos(centre.x, centre.y);
        POINT client = centre;
        ScreenToClient(program.Item(entry->id), &client);
        PostMessageW(program.Item(entry->id), WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
        const std::wstring toolTip = WideFromUtf8(expected.toolTip);
        std::wstring shown;
        const bool seen = WaitFor(std::string(expected.name) + "'s tooltip", [&] {
            FindTooltip find{program.form, nullptr};
            EnumWindows(FindTooltipWindow, reinterpret_cast<LPARAM>(&find));
            shown = find.found ? TextOf(find.found) : std::wstring();
            return shown == toolTip;
        });
        Check(seen, std::string(expected.name) + ": tooltip \"" + Narrow(shown) + "\"");
    }
    SetCursorPos(0, 0);
}

// Tab, from wherever the focus is, once round the controls in their tab
// order, whether or not an arrangement is chosen.
void TestTabOrder(const Program& program, const std::string& when) {
    std::vector<std::string> order(form1::kTabStopCount);
    for (const form1::ControlEntry& entry : form1::kControls) {
        if (entry.tabPosition >= 0)
            order[static_cast<std::size_t>(entry.tabPosition)] = entry.name;
    }
    const HWND start = Focus(program);
    const auto first = std::find(order.begin(), order.end(), NameOf(start));
    std::vector<std::string> expected(first, order.end());
    expected.insert(expected.end(), order.begin(), first);
    expected.push_back(NameOf(start)); // and round again

    std::vector<std::string> seen{NameOf(start)};
    for (int i = 0; i < form1::kTabStopCount; ++i) {
        const HWND before = Focus(program);
        PostMessageW(before, WM_KEYDOWN, VK_TAB, 0x000F0001);
        WaitFor("the focus to leave " + NameOf(before) + " on Tab",
                [&] { return Focus(program) != before; });
        seen.push_back(NameOf(Focus(program)));
    }
    std::string names;
    for (const std::string& name : seen)
        names += name + " ";
    Check(seen == expected,
          "Tab visits the controls in their tab order (" + when + "); saw " + names);
}

void TestStartAndTabOrder(const Program& program) {
    Check(Narrow(TextOf(program.form)) == form_texts::kTitle, "title Tavrilo");
    // Every caption, and the boxes' initial values.
    for (const form_texts::ControlText& expected : form_texts::kControls) {
        const form1::ControlEntry* entry = EntryNamed(expected.name);
        const std::string shown = entry ? Narrow(TextOf(program.Item(entry->id))) : "";
        Check(shown == expected.text, std::string(expected.name) + ": text \"" + shown + "\"");
    }
    Check(Result(program).empty(), "the result area starts empty");

    // Wine keeps a menu's items in the process that made it: only the bar
    // itself and its commands (below) can be checked from here.
    Check(GetMenu(program.form) != nullptr, "the window has its menu bar");

    Check(NameOf(Focus(program)) == "Picture1", "the focus starts on Picture1");
    TestTabOrder(program, "no arrangement chosen");
}

void TestMessagesAndPrecedence(const Program& program) {
    // No arrangement chosen yet: a non-positive value is reported first, alone.
    Check(!Checked(program, form1::kOption1Id) && !Checked(program, form1::kOption2Id),
          "no arrangement at start");
    SetInputs(program, L"0", L"0.0065", L"0.1");
    Click(program, form1::kCommand1Id);
    ExpectBox(program, "zero diameter, no arrangement", form_texts::kNonPositive,
              form_texts::kErrorTitle);
    ExpectNoBox(program, "after the first message");
    SetInputs(program, L"1.3", L"-0.0065", L"0.1");
    Click(program, form1::kCommand1Id);
    ExpectBox(program, "negative bar diameter", form_texts::kNonPositive, form_texts::kErrorTitle);
    SetInputs(program, L"1.3", L"0.0065", L"0.1");
    Click(program, form1::kCommand1Id);
    ExpectBox(program, "no arrangement", form_texts::kNoArrangement, form_texts::kErrorTitle);
    Check(Result(program).empty(), "nothing printed after a message");
}

void TestCalculations(const Program& program) {
    struct Case {
        const wchar_t *d, *phi, *s;
        int option;
        const char* shown;
    };
    const Case cases[] = {
        {L"1.3", L"0.0065", L"0.1", form1::kOption2Id, TAVRILO_TWO_WAY_TOTAL " m"},
        {L"1.3", L"0.0065", L"0.1", form1::kOption1Id, TAVRILO_ONE_WAY_TOTAL " m"},
        {L"2", L"0.008", L"0.15", form1::kOption1Id, "21.59 m"},
        {L"3.5", L"0.01", L"0.2", form1::kOption2Id, "99.444 m"},
        {L"1,3", L"0.0065", L"0.1m", form1::kOption2Id, "16.485 m"},
    };
    for (const Case& c : cases) {
        SetInputs(program, c.d, c.phi, c.s);
        Click(program, c.option);
        Click(program, form1::kCommand1Id);
        ExpectNoBox(program, std::string("calculating ") + c.shown);
        Check(Result(program) == c.shown, "shows \"" + Result(program) + "\", expected " + c.shown);
    }
    Click(program, form1::kCommand1Id);
    Check(Result(program) == cases[std::size(cases) - 1].shown,
          "a second Calculate shows one line");
    TestTabOrder(program, "双向布置 chosen");
}

void TestClearAndReturnKey(const Program& program) {
    SetInputs(program, L"1.3", L"0.0065", L"0.1");
    Click(program, form1::kOption2Id);
    // Return on the focused 清除所有 clears, as a click does.
    PostMessageW(program.Item(form1::kCommand2Id), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    WaitFor("Return on 清除所有 to empty the boxes and the result area", [&] {
        bool empty = Result(program).empty();
        for (int id : {form1::kText1Id, form1::kText2Id, form1::kText3Id})
            empty = empty && TextOf(program.Item(id)).empty();
        return empty;
    });
    Check(Checked(program, form1::kOption2Id) && !Checked(program, form1::kOption1Id),
          "Clear keeps the arrangement");
    // Keypad Enter on the focused 计算结果 calculates.
    PostMessageW(program.Item(form1::kCommand1Id), WM_KEYDOWN, VK_RETURN, 0x011C0001);
    ExpectBox(program, "Calculate after Clear", form_texts::kNonPositive, form_texts::kErrorTitle);
    SetInputs(program, L"1.3", L"0.0065", L"0.1");
    PostMessageW(program.Item(form1::kCommand1Id), WM_KEYDOWN, VK_RETURN, 0x001C0001);
    WaitFor("Return on 计算结果 to show " TAVRILO_TWO_WAY_TOTAL " m",
            [&] { return Result(program) == TAVRILO_TWO_WAY_TOTAL " m"; });
}

void TestCalcErrorAndRecovery(const Program& program) {
    SetInputs(program, L"4000", L"0.0065", L"0.1"); // D / s = 40000
    Click(program, form1::kCommand1Id);
    ExpectBox(program, "D/s = 40000", CalcErrorMessage(CalcErrorKind::IntegerOverflow),
              form_texts::kErrorTitle);
    Check(Result(program).empty(), "nothing printed after an overflow");
    SetInputs(program, L"1.3", L"0.0065", L"0.1");
    Click(program, form1::kCommand1Id);
    Check(Result(program) == TAVRILO_TWO_WAY_TOTAL " m",
          "the program keeps working after an overflow");
}

void TestFeedbackAndHomePage(const Program& program, const std::string& browserLog) {
    const SupportLinks links{TAVRILO_HOME_PAGE_URL, TAVRILO_SUPPORT_EMAIL, TAVRILO_SUPPORT_QQ};
    ChooseMenu(program, form1::kAnswerTheQuestionId);
    const Box box = TakeBox(program, "feedback");
    // Each carriage return of the prompt is a line break of the box.
    const std::string expected =
        form_texts::FeedbackText(links.SupportEmail, links.SupportQq, "\r\n");
    Check(Narrow(box.text) == expected, "feedback text: " + Narrow(box.text));
    Check(Narrow(box.title) == form_texts::kFeedbackTitle, "feedback title");

    const std::wstring logPath = WindowsPath(browserLog);
    DeleteFileW(logPath.c_str());
    ChooseMenu(program, form1::kHomepageId);
    std::string opened;
    WaitFor("the stand-in browser to write down an address", [&] {
        std::ifstream log(logPath.c_str());
        opened.assign(std::istreambuf_iterator<char>(log), {});
        return opened.find('\n') != std::string::npos;
    });
    ExpectNoBox(program, "home page");
    Check(opened == links.HomePageUrl + "\n", "the browser was given \"" + opened + "\"");
}

void TestVersionRecord(const std::wstring& exe) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    if (size == 0) {
        std::printf("SKIP: tavrilo.exe has no version record in this build\n");
        return;
    }
    std::vector<BYTE> data(size);
    Check(GetFileVersionInfoW(exe.c_str(), 0, size, data.data()), "version record readable");
    void* value = nullptr;
    UINT length = 0;
    bool translation =
        VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &value, &length) &&
        length >= 4 && static_cast<WORD*>(value)[0] == 0x0804 &&
        static_cast<WORD*>(value)[1] == 1200;
    Check(translation, "version record for language 0804, code page 1200");
    for (auto [key, expected] : {std::pair{L"FileVersion", TAVRILO_VERSION_STRING},
                                 std::pair{L"ProductVersion", TAVRILO_VERSION_STRING},
                                 std::pair{L"ProductName", "Tavrilo"}}) {
        const std::wstring path = std::wstring(L"\\StringFileInfo\\080404B0\\") + key;
        const bool found = VerQueryValueW(data.data(), path.c_str(), &value, &length);
        const std::string shown = found ? Narrow(static_cast<const wchar_t*>(value)) : "(none)";
        Check(shown == expected, Narrow(key) + " is \"" + shown + "\"");
    }
}

// How much of a control's width its frame and decoration take before the text.
int Decoration(const form1::ControlEntry& entry, UINT dpi) {
    switch (entry.kind) {
    case form1::ControlKind::Button:
        return MulDiv(8, static_cast<int>(dpi), 96);
    case form1::ControlKind::OptionButton:
        return GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi) + MulDiv(4, static_cast<int>(dpi), 96);
    case form1::ControlKind::Frame:
        return MulDiv(16, static_cast<int>(dpi), 96);
    case form1::ControlKind::TextBox:
        return MulDiv(6, static_cast<int>(dpi), 96); // margins of the edit control
    default:
        return 0;
    }
}

SIZE Extent(HDC dc, HFONT font, const std::wstring& text, TEXTMETRICW* metrics = nullptr) {
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (metrics)
        GetTextMetricsW(dc, metrics);
    SelectObject(dc, old);
    return size;
}

// Every control at its place for `dpi`, every text whole in the control's font.
void TestLayoutAndClipping(const Program& program, UINT dpi) {
    const std::string at = " at " + std::to_string(dpi) + " dpi";
    RECT client;
    GetClientRect(program.form, &client);
    Check(client.right == MulDiv(form1::kClientWidth, static_cast<int>(dpi), 96) &&
              client.bottom == MulDiv(form1::kClientHeight, static_cast<int>(dpi), 96),
          "client area " + std::to_string(client.right) + "x" + std::to_string(client.bottom) + at);

    const HDC dc = GetDC(nullptr);
    for (const form1::ControlEntry& entry : form1::kControls) {
        const HWND control = program.Item(entry.id);
        const std::string name = std::string(entry.name) + at;
        RECT place;
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, program.form, reinterpret_cast<POINT*>(&place), 2);
        auto scaled = [&](int pixels) { return MulDiv(pixels, static_cast<int>(dpi), 96); };
        Check(place.left == scaled(entry.left) && place.top == scaled(entry.top) &&
                  place.right - place.left == scaled(entry.width) &&
                  place.bottom - place.top == scaled(entry.height),
              name + ": not at its place");

        // The window's font for this DPI, as the window makes it (a font
        // handle cannot be read from another process).
        LOGFONTW face = UiFont(dpi);
        const HFONT same = CreateFontIndirectW(&face);
        const std::wstring text = TextOf(control);
        TEXTMETRICW metrics{};
        const SIZE size = Extent(dc, same, text, &metrics);
        RECT inside;
        GetClientRect(control, &inside);
        // The result area fits its text itself: TestDrawnTotals reads what it draws.
        if (entry.kind != form1::ControlKind::ResultArea) {
            Check(size.cx + Decoration(entry, dpi) <= inside.right,
                  name + ": \"" + Narrow(text) + "\" needs " + std::to_string(size.cx) + " px of " +
                      std::to_string(inside.right - Decoration(entry, dpi)));
            if (entry.kind != form1::ControlKind::Frame)
                Check(metrics.tmHeight <= inside.bottom,
                      name + ": line height " + std::to_string(metrics.tmHeight) + " px of " +
                          std::to_string(inside.bottom));
        }
        DeleteObject(same);
    }
    ReleaseDC(nullptr, dc);
}

void TestLongestTotal(const Program& program, UINT dpi) {
    // The longest total written without an exponent: 15 digits.
    SetInputs(program, L"7654321.987", L"0.0123", L"350.7");
    Click(program, form1::kOption2Id);
    Click(program, form1::kCommand1Id);
    ExpectNoBox(program, "longest total");
    Check(Result(program) == "262420428519.964 m", "longest total: " + Result(program));
    SetInputs(program, L"1.3", L"0.0065", L"0.1"); // the boxes' texts are measured too
    TestLayoutAndClipping(program, dpi);
}

// What the result area drew, read back from a metafile of it.
struct DrawnLine {
    std::wstring text;
    int left = 0;
    int right = 0; // where the text ends
    LOGFONTW font{};
};

struct Drawing {
    std::vector<DrawnLine> lines;
    LOGFONTW font{}; // the last made
};

int CALLBACK CollectDrawnLine(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM data) {
    auto* drawing = reinterpret_cast<Drawing*>(data);
    const auto* bytes = reinterpret_cast<const BYTE*>(record);
    if (record->iType == EMR_EXTCREATEFONTINDIRECTW) {
        drawing->font = reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record)->elfw.elfLogFont;
    } else if (record->iType == EMR_EXTTEXTOUTW) {
        const EMRTEXT& out = reinterpret_cast<const EMREXTTEXTOUTW*>(record)->emrtext;
        DrawnLine line;
        line.text.assign(reinterpret_cast<const wchar_t*>(bytes + out.offString), out.nChars);
        line.left = line.right = out.ptlReference.x;
        const auto* advances = reinterpret_cast<const INT*>(bytes + out.offDx);
        for (DWORD i = 0; out.offDx && i < out.nChars; ++i)
            line.right += advances[(out.fOptions & ETO_PDY) ? 2 * i : i];
        line.font = drawing->font;
        drawing->lines.push_back(line);
    }
    return 1;
}

std::vector<DrawnLine> DrawnLines(HWND area) {
    Drawing drawing;
    const HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    SendMessageW(area, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(recorder), PRF_CLIENT);
    const HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
    EnumEnhMetaFile(nullptr, metafile, CollectDrawnLine, &drawing, nullptr);
    DeleteEnhMetaFile(metafile);
    return drawing.lines;
}

// A total cut off is a wrong number. Totals calculated by a window of this
// process (at this process's DPI) show whole in the result area: in the
// window's font when they fit, else smaller but no smaller than the minimum,
// else narrowed too; the ink ends short of the area's edge.
void TestDrawnTotals() {
    const HWND form = CreateForm1(GetModuleHandleW(nullptr), SupportLinks{}, SW_SHOWNOACTIVATE);
    Check(form != nullptr, "Form1 created in the test");
    if (!form)
        return;
    Program here;
    here.form = form;
    const int dpi = static_cast<int>(GetDpiForWindow(form));
    const std::string at = " at " + std::to_string(dpi) + " dpi";
    const LOGFONTW own = UiFont(static_cast<UINT>(dpi));
    const HWND area = here.Item(form1::kPicture1Id);
    RECT inside;
    GetClientRect(area, &inside);
    const int margin = MulDiv(1, dpi, 96);
    const HDC dc = GetDC(nullptr);
    const HFONT ownFont = CreateFontIndirectW(&own);
    struct Case {
        const wchar_t *d, *phi, *s;
        const char* shown;
    };
    for (const Case& c : {
             Case{L"1.3", L"0.0065", L"0.1", TAVRILO_TWO_WAY_TOTAL " m"},
             Case{L"7654321.987", L"0.0123", L"350.7", "262420428519.964 m"},
             Case{L"1e17", L"1.234567e10", L"1.1e13", "1.42800036675015E+21 m"},
             // The longest text of a total: 15 significant digits, a three-digit exponent.
             Case{L"1.3", L"1.23456789012345e300", L"0.1", "4.01234564290121E+302 m"},
         }) {
        SetInputs(here, c.d, c.phi, c.s);
        SendMessageW(here.Item(form1::kOption2Id), BM_CLICK, 0, 0);
        SendMessageW(here.Item(form1::kCommand1Id), BM_CLICK, 0, 0);
        const std::string name = std::string(c.shown) + at;
        Check(Result(here) == c.shown, name + ": the window holds " + Result(here));
        const std::vector<DrawnLine> lines = DrawnLines(area);
        Check(lines.size() == 1, name + ": " + std::to_string(lines.size()) + " lines drawn");
        if (lines.size() != 1)
            continue;
        const DrawnLine& line = lines[0];
        Check(Narrow(line.text) == c.shown, name + ": drawn as " + Narrow(line.text));
        Check(line.left >= margin && line.right <= inside.right - margin,
              name + ": drawn from x = " + std::to_string(line.left) + " to " +
                  std::to_string(line.right) + " in an area " + std::to_string(inside.right) +
                  " wide");
        const HFONT font = CreateFontIndirectW(&line.font);
        TEXTMETRICW metrics{};
        Extent(dc, font, line.text, &metrics);
        DeleteObject(font);
        const int size = metrics.tmHeight - metrics.tmInternalLeading;
        Check(size >= MulDiv(kResultAreaMinimumFontPixels, dpi, 96),
              name + ": drawn " + std::to_string(size) + " px high");
        const bool fitsAsIs =
            Extent(dc, ownFont, WideFromUtf8(c.shown)).cx <= inside.right - 2 * margin;
        Check(fitsAsIs == (line.font.lfHeight == own.lfHeight && line.font.lfWidth == 0),
              name + ": in the window's own font exactly when it fits in it");
    }
    DeleteObject(ownFont);
    ReleaseDC(nullptr, dc);
    DestroyWindow(form);
}

// TestDrawnTotals in a copy of this program started at `dpi`.
void TestDrawnTotalsAt(UINT dpi) {
    SetDpi(dpi);
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --drawn";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    const std::string at = std::to_string(dpi) + " dpi";
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &child)) {
        Check(false, "cannot start the drawn totals' test at " + at);
        return;
    }
    const bool ended = WaitForSingleObject(child.hProcess, 60000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(child.hProcess, 1);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    Check(ended && code == 0,
          "the totals as drawn at " + at + (ended ? "" : ": no end within 60 s"));
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

// Moving to a monitor of another DPI: the window here, in this process, is
// told as Windows tells it (Wine never does).
void TestDpiChange() {
    Program here;
    here.form = CreateForm1(GetModuleHandleW(nullptr), SupportLinks{}, SW_SHOWNOACTIVATE);
    Check(here.form != nullptr, "Form1 created in the test");
    if (!here.form)
        return;
    const UINT start = GetDpiForWindow(here.form);
    for (UINT dpi : {144u, 192u, start}) {
        RECT suggested{0, 0, MulDiv(500, static_cast<int>(dpi), 96),
                       MulDiv(400, static_cast<int>(dpi), 96)};
        SendMessageW(here.form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                     reinterpret_cast<LPARAM>(&suggested));
        TestLayoutAndClipping(here, dpi);
    }
    DestroyWindow(here.form);
}

// Every operation on a control that is not there fails, in words for the
// user; the home page goes to the shell only as a web address.
void TestFailedOperations() {
    Win32UiOperations missing{Win32FormControls{}};
    std::string text;
    bool selected = false;
    const Status statuses[] = {
        missing.ReadText(TextBoxId::Text1, text),
        missing.SetText(TextBoxId::Text2, ""),
        missing.ReadOption(OptionId::Option1, selected),
        missing.ClearResult(),
        missing.PrintResult(TAVRILO_TWO_WAY_TOTAL " m"),
        missing.OpenHomePage("file:///C:/Windows/System32/calc.exe"),
        missing.OpenHomePage("calc.exe"),
    };
    for (const Status& status : statuses)
        Check(!status.ok() && !status.what().empty(), "failure reported: " + status.what());
}

} // namespace

int Pose(const std::wstring& exe) {
    Program program;
    if (!Start(program, exe, 96))
        return 1;
    Click(program, form1::kOption2Id);
    Click(program, form1::kCommand1Id);
    Check(Result(program) == TAVRILO_TWO_WAY_TOTAL " m",
          "the worked example shows " TAVRILO_TWO_WAY_TOTAL " m");
    // Where to look for the total's ink on the screen.
    RECT area;
    GetClientRect(program.Item(form1::kPicture1Id), &area);
    MapWindowPoints(program.Item(form1::kPicture1Id), nullptr, reinterpret_cast<POINT*>(&area), 2);
    std::printf("ready %ldx%ld+%ld+%ld\n", area.right - area.left, area.bottom - area.top,
                area.left, area.top);
    std::fflush(stdout);
    WaitForSingleObject(program.process.hProcess, INFINITE);
    return failures ? 1 : 0;
}

int main(int argc, char** argv) {
    // Sizes as the window has them, never scaled for this program.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    if (argc == 3 && std::string(argv[1]) == "--pose")
        return Pose(WindowsPath(argv[2]));
    if (argc == 2 && std::string(argv[1]) == "--drawn") {
        TestDrawnTotals();
        return failures ? 1 : 0;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: form1_driver TAVRILO_EXE BROWSER_STAND_IN BROWSER_LOG\n"
                             "       form1_driver --pose TAVRILO_EXE\n");
        return 2;
    }
    const std::wstring exe = WindowsPath(argv[1]);

    // The home page goes to a stand-in browser that writes down the address.
    HKEY browser;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &browser, nullptr) == ERROR_SUCCESS) {
        const std::wstring standIn = WideFromUtf8(argv[2]);
        RegSetValueExW(browser, L"Browsers", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(standIn.c_str()),
                       static_cast<DWORD>((standIn.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(browser);
    }

    Program program;
    if (Start(program, exe, 96)) {
        TestStartAndTabOrder(program);
        TestTooltips(program);
        TestLayoutAndClipping(program, 96);
        TestMessagesAndPrecedence(program);
        TestCalculations(program);
        TestClearAndReturnKey(program);
        TestCalcErrorAndRecovery(program);
        TestFeedbackAndHomePage(program, argv[3]);
        TestLongestTotal(program, 96);
        Stop(program);
    }
    for (UINT dpi : {144u, 192u}) {
        if (Start(program, exe, dpi)) {
            TestLayoutAndClipping(program, dpi);
            TestLongestTotal(program, dpi);
            Stop(program);
        }
    }
    for (UINT dpi : {96u, 144u, 192u})
        TestDrawnTotalsAt(dpi);
    SetDpi(96);
    TestFailedOperations();
    TestDpiChange();
    TestVersionRecord(exe);

    if (failures) {
        std::fprintf(stderr, "%d check(s) failed\n", failures);
        return 1;
    }
    std::printf("all checks passed\n");
    return 0;
}
