#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace korvane::e2e {

// Read-only looks at another process's windows.

// The visible or hidden top-level window of the process with that caption, or null.
HWND FindTopLevelWindow(DWORD processId, const std::string& caption);
// Each top-level window of the process, as "class \"caption\" visible|hidden", for a failure's
// message; "no top-level window" where it has none.
std::string DescribeTopLevelWindows(DWORD processId);

// The text as the window itself answers WM_GETTEXT; nullopt when it does not answer in time
// (its thread is busy).
std::optional<std::string> AskText(HWND window, UINT timeoutMs = 3000);
// The text as the system keeps it for the window, without asking the window's thread.
std::string StoredText(HWND window);

std::string ClassNameOf(HWND window);

// The window's rectangle relative to its parent's client area, in pixels.
RECT RectInParentClient(HWND window);
SIZE ClientSize(HWND window);

// The window that has the keyboard focus in the GUI thread that owns the given window.
HWND FocusOfThreadOwning(HWND window);

}  // namespace korvane::e2e
