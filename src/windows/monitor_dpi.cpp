#include "windows/monitor_dpi.h"

#include "windows/win32_handles.h"

namespace korvane::win32 {
namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// A function of user32.dll, which every window program has loaded.
template <typename Call>
Call User32Function(const char* name)
{
    return FunctionOf<Call>(GetModuleHandleA("user32.dll"), name);
}

}  // namespace

int WindowDotsPerInch(HWND window)
{
    static const auto getDpiForWindow = User32Function<GetDpiForWindowCall>("GetDpiForWindow");
    const UINT dotsPerInch = getDpiForWindow != nullptr ? getDpiForWindow(window) : 0;
    return dotsPerInch > 0 ? static_cast<int>(dotsPerInch) : ScreenDotsPerInch();
}

int ScreenDotsPerInch()
{
    constexpr int kDefaultDotsPerInch = 96;
    const ScreenDc screen(GetDC(nullptr));
    const int dotsPerInch = screen.Get() != nullptr ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dotsPerInch > 0 ? dotsPerInch : kDefaultDotsPerInch;
}

SIZE FrameSize(SIZE client, DWORD style, int dotsPerInch)
{
    static const auto adjustForDpi = User32Function<AdjustWindowRectExForDpiCall>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, client.cx, client.cy};
    if (adjustForDpi == nullptr || !adjustForDpi(&frame, style, FALSE, 0, static_cast<UINT>(dotsPerInch))) {
        AdjustWindowRectEx(&frame, style, FALSE, 0);
    }
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace korvane::win32
