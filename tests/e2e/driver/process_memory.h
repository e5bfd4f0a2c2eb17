#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

namespace korvane::e2e {

// Sends WM_DPICHANGED to a window of another process as Windows does when the window moves to a
// monitor of another scale: the rectangle it suggests is written into that process's memory
// first, since the message carries only its address. True when the window answered.
bool SendDpiChanged(HANDLE process, HWND window, int dotsPerInch, const RECT& suggested);

// How many GDI objects (fonts, brushes, device contexts, ...) the process holds, stock objects
// aside, counted in the GDI handle table that its PEB points to (for a 32-bit program under Wine,
// the 64-bit PEB Wine gives it), as Wine keeps it (an entry's type is cleared when the object is
// deleted). The process is built as this one is. Nothing when the table cannot be read.
std::optional<size_t> GdiObjectsOf(HANDLE process);

}  // namespace korvane::e2e
