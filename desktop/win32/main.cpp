// tavrilo.exe: creates Form1 and runs it until it is closed.

#include "desktop/win32/form1_win32.h"

#include <commctrl.h>
#include <objbase.h>
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // Sharp at any scale: the window follows each monitor's DPI itself. A
    // manifest may have said so already; then this changes nothing.
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    // The shell may use COM to open the home page.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    const HWND form = tavrilo::CreateForm1(instance, tavrilo::ConfiguredSupportLinks(), show);
    if (!form) {
        MessageBoxW(nullptr, L"无法创建窗口。", L"Tavrilo", MB_OK | MB_ICONERROR);
        return 1;
    }
    const int code = tavrilo::RunForm1(form);
    if (SUCCEEDED(com))
        CoUninitialize();
    return code;
}
