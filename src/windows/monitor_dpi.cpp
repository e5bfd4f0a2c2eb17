#include "windows/monitor_dpi.h"

#include "windows/win32_handles.h"
#include "windows/wine_quirks.h"

namespace korvane::win32 {
namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// A function of a library already loaded, or null where this Windows lacks it.
template <typename Call>
Call Lookup(HMODULE library, const char* name)
{
    // GetProcAddress returns a generic function pointer; Call is the documented signature.
    return library != nullptr ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                              : nullptr;
}

HMODULE User32()
{
    return GetModuleHandleA("user32.dll");
}

}  // namespace

int WindowDotsPerInch(HWND window)
{
    static const auto getDpiForWindow = Lookup<GetDpiForWindowCall>(User32(), "GetDpiForWindow");
    if (getDpiForWindow != nullptr) {
        const UINT dotsPerInch = getDpiForWindow(window);
        return dotsPerInch > 0 ? static_cast<int>(dotsPerInch) : ScreenDotsPerInch();
    }
    // Windows 8.1 tells a monitor's resolution through the shell's scaling library.
    static const UniqueModule shcore(LoadSystemLibrary("shcore.dll"));
    static const auto getDpiForMonitor = Lookup<GetDpiForMonitorCall>(shcore.Get(), "GetDpiForMonitor");
    UINT x = 0;
    UINT y = 0;
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    if (getDpiForMonitor != nullptr &&
        SUCCEEDED(getDpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) &&
        y > 0) {
        return static_cast<int>(y);
    }
    return ScreenDotsPerInch();
}

int ScreenDotsPerInch()
{
    constexpr int kDefaultDotsPerInch = 96;
    const ScreenDc screen;
    const int dotsPerInch = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dotsPerInch > 0 ? dotsPerInch : kDefaultDotsPerInch;
}

SIZE FrameSize(SIZE client, DWORD style, int dotsPerInch)
{
    static const auto adjustForDpi = Lookup<AdjustWindowRectExForDpiCall>(User32(), "AdjustWindowRectExForDpi");
    RECT frame{0, 0, client.cx, client.cy};
    if (adjustForDpi == nullptr || !adjustForDpi(&frame, style, FALSE, 0, static_cast<UINT>(dotsPerInch))) {
        AdjustWindowRectEx(&frame, style, FALSE, 0);
    }
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace korvane::win32
