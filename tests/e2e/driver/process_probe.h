#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

namespace korvane::e2e {

// Read-only looks at another process's use of memory and handles.
struct ProcessUse {
    size_t pagefileBytes = 0;  // private committed memory
    size_t workingSetBytes = 0;
    DWORD handles = 0;
    DWORD userObjects = 0;
    DWORD gdiObjects = 0;
};

std::optional<ProcessUse> UseOf(HANDLE process);

// How long the window's thread took to answer a WM_NULL sent to it, in milliseconds;
// nothing when it did not answer within timeoutMs.
std::optional<double> PingMs(HWND window, UINT timeoutMs);

}  // namespace korvane::e2e
