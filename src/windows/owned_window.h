#pragma once

#include <windows.h>

namespace korvane::win32 {

// How to make a window whose messages go to the object that owns it.
struct WindowOptions {
    const char* className;
    const char* title = "";
    DWORD style = 0;
    int width = 0;
    int height = 0;
    HWND parent = HWND_MESSAGE;  // a message-only window unless told otherwise
    int x = 0;
    int y = 0;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
};

// The window procedure of every window owned by an Owner: the owner's pointer comes as the
// create parameter with WM_NCCREATE and is kept in the window until WM_NCDESTROY, which is the
// last message the owner sees. Messages before WM_NCCREATE go to the default procedure.
// Owner provides LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam).
template <typename Owner>
LRESULT CALLBACK OwnedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    return owner != nullptr ? owner->HandleMessage(window, message, wParam, lParam)
                            : DefWindowProcA(window, message, wParam, lParam);
}

// Registers the options' class for Owner (once: a class already registered is kept) and creates
// a window of it for owner. Returns nullptr when the window cannot be made.
template <typename Owner>
HWND CreateOwnedWindow(Owner& owner, HINSTANCE instance, const WindowOptions& options)
{
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &OwnedWindowProc<Owner>;
    windowClass.hInstance = instance;
    windowClass.hIcon = options.icon;
    windowClass.hIconSm = options.icon;
    windowClass.hCursor = options.cursor;
    windowClass.hbrBackground = options.background;
    windowClass.lpszClassName = options.className;
    if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        return nullptr;
    }
    return CreateWindowExA(0, options.className, options.title, options.style, options.x, options.y, options.width,
                           options.height, options.parent, nullptr, instance, &owner);
}

}  // namespace korvane::win32
