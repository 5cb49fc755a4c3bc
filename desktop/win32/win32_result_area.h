#pragma once

// The one-line result area of the Win32 window: a sunken panel that can be
// cleared and printed into, like a picture box. Each print draws one line
// below the last; the first starts at the top-left corner. The printed lines
// are the window's text, joined by CR LF, so they survive being covered and
// can be read back with WM_GETTEXT.
//
// A total is never shown cut off: a line too wide for the area is drawn in a
// smaller font, down to a legible size, which holds every total written
// without an exponent (up to 15 digits); a line too wide even then (a total
// of 1E+15 m or more) is drawn narrowed, as the Qt window does. The whole text
// is also in the area's tooltip and on the clipboard with Ctrl+C. The area
// answers WM_PRINTCLIENT with what it paints.

#include <string>
#include <windows.h>

namespace tavrilo {

inline constexpr wchar_t kResultAreaClass[] = L"TavriloResultArea";
// Erases the area. Returns TRUE.
inline constexpr UINT kResultAreaClear = WM_APP + 0x101;
// Prints the NUL-terminated UTF-16 text at lParam on a new line. Returns TRUE
// when it was kept.
inline constexpr UINT kResultAreaPrint = WM_APP + 0x102;

// The smallest font the area shrinks to, in pixels at 96 dots per inch (6 points).
inline constexpr int kResultAreaMinimumFontPixels = 8;

// Registers the window class; true when it is (or already was) registered.
bool RegisterResultAreaClass(HINSTANCE instance);

} // namespace tavrilo
