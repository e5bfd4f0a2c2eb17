#pragma once

#include <windows.h>

namespace korvane::win32 {

// Whether a DDE data block posted between this process and the process of window travels as a
// copy that Wine makes in the receiver's process. Wine frees neither side's block for the other:
// the sender keeps its own and the receiver's copy is left to the receiver, whatever fRelease
// says, so each side frees its block itself. On Windows the block is shared and the protocol's
// fRelease rule alone decides who frees it.
inline bool IsWineCopyAcrossProcesses(HWND window)
{
    static const bool wine = [] {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return wine && process != 0 && process != GetCurrentProcessId();
}

}  // namespace korvane::win32
