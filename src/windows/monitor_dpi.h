#pragma once

#include <windows.h>

namespace korvane::win32 {

// The dots per inch the window is shown at: its monitor's where Windows can tell (Windows 10,
// 1607 and later), else the screen's. Calls newer than Windows 7 are looked up when first needed.
int WindowDotsPerInch(HWND window);

// The screen's dots per inch: the main monitor's.
int ScreenDotsPerInch();

// The outer size of a window with the style whose client area has the given size, with the
// frame drawn for the given dots per inch where Windows can (Windows 10, 1607 and later).
SIZE FrameSize(SIZE client, DWORD style, int dotsPerInch);

}  // namespace korvane::win32
