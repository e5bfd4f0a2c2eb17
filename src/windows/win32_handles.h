#pragma once

#include <windows.h>

#include <utility>

namespace korvane::win32 {

// Owns one handle and frees it once, with the function that fits its kind.
template <typename Handle, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            Reset(std::exchange(other.handle_, Handle{}));
        }
        return *this;
    }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }

    void Reset(Handle handle = Handle{})
    {
        if (handle_ != Handle{}) {
            Traits::Free(handle_);
        }
        handle_ = handle;
    }

private:
    Handle handle_{};
};

struct GdiObjectTraits {
    static void Free(HGDIOBJ object) { DeleteObject(object); }
};
struct WindowTraits {
    static void Free(HWND window) { DestroyWindow(window); }
};
struct DcTraits {
    static void Free(HDC dc) { DeleteDC(dc); }
};
struct ScreenDcTraits {
    static void Free(HDC dc) { ReleaseDC(nullptr, dc); }
};
struct KernelHandleTraits {
    static void Free(HANDLE handle) { CloseHandle(handle); }
};
struct WinEventHookTraits {
    static void Free(HWINEVENTHOOK hook) { UnhookWinEvent(hook); }
};

using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits>;
using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueDc = UniqueHandle<HDC, DcTraits>;                         // a device context made by CreateCompatibleDC
using ScreenDc = UniqueHandle<HDC, ScreenDcTraits>;                   // the screen's, from GetDC(nullptr)
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelHandleTraits>;  // a process, an event: null when none
using UniqueWinEventHook = UniqueHandle<HWINEVENTHOOK, WinEventHookTraits>;

// A function of a loaded library, or null where this Windows lacks it. GetProcAddress returns a
// generic function pointer; Call is the function's documented signature.
template <typename Call>
Call FunctionOf(HMODULE library, const char* name)
{
    return library != nullptr ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                              : nullptr;
}

// The layout of a device-independent bitmap of 32-bit pixels (blue, green, red, unused), its
// top row first.
inline BITMAPINFO TopDownRgbBitmap(int width, int height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A GDI object selected into a device context until this goes; then the earlier one is back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), earlier_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, earlier_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ earlier_;
};

}  // namespace korvane::win32
