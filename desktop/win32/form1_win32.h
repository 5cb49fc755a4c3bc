#pragma once

// Form1, the calculator window, on Win32.
//
// The controls, their places, texts, tooltips, tab order and the menu come
// from form1.ui through the generated table form1_win32_controls.h, so this
// window and the Qt one cannot drift apart. A click on Command1 or Command2,
// or a menu item, runs one command (commands.h) on Win32UiOperations bound to
// these controls. Positions and the font follow the monitor's DPI.

#include "desktop/commands.h"

#include <string>
#include <windows.h>

namespace tavrilo {

// The first of the Chinese user-interface fonts that is installed: "Microsoft
// YaHei UI", "Microsoft YaHei", "SimSun", or else any font with Chinese
// characters ("WenQuanYi Micro Hei" under Wine).
std::wstring ChineseUiFontFace();

// The font of every control at `dpi`: that face at the window's point size.
LOGFONTW UiFont(UINT dpi);

// Creates and shows Form1; nullptr if it could not be created.
HWND CreateForm1(HINSTANCE instance, SupportLinks links, int show);

// Runs the message loop of `form` until it is closed; returns the exit code.
// Tab and Shift+Tab move the focus in the tab order; Return and keypad Enter
// press the focused button.
int RunForm1(HWND form);

} // namespace tavrilo
