#pragma once

// The one-line result area of the Win32 window: a sunken panel that can be
// cleared and printed into, like a picture box. Each print draws one line
// below the last; the first starts at the top-left corner. The printed lines
// are the window's text, joined by CR LF, so they survive being covered and
// can be read back with GetWindowText. A line too wide for the area is drawn
// in a smaller font, down to a legible size; the panel never shows a cut-off
// number.

#include <windows.h>

namespace tavrilo {

inline constexpr wchar_t kResultAreaClass[] = L"TavriloResultArea";
// Erases the area. Returns TRUE.
inline constexpr UINT kResultAreaClear = WM_APP + 0x101;
// Prints the NUL-terminated UTF-16 text at lParam on a new line. Returns TRUE
// when it was kept.
inline constexpr UINT kResultAreaPrint = WM_APP + 0x102;

// The smallest font the area shrinks to, in pixels at 96 dots per inch: small
// enough for the longest total ("1.79769313486232E+308 m") to fit the area,
// large enough to read. Text that does not fit even then ends in an ellipsis
// rather than being cut off silently.
inline constexpr int kResultAreaMinimumFontPixels = 7;

// Registers the window class; true when it is (or already was) registered.
bool RegisterResultAreaClass(HINSTANCE instance);

} // namespace tavrilo
