#pragma once

#include <windows.h>

#include <functional>

#include "windows/win32_handles.h"

namespace korvane::win32 {

// Tells as it happens that a DDE server may have gone, without looking at it over and over:
// it holds a handle to the server's process, which the message loop waits on and which is
// signalled when the process ends (quit, crashed or killed), and it is told through a WinEvent
// hook whenever a window of the server's thread is destroyed (a conversation window gone while
// the process lives). The hook's events come on this thread, while it takes its messages.
class ServerLifeWatch {
public:
    // windowDestroyed is called with each window of the server's thread that is destroyed.
    explicit ServerLifeWatch(std::function<void(HWND destroyed)> windowDestroyed);
    ~ServerLifeWatch();

    ServerLifeWatch(const ServerLifeWatch&) = delete;
    ServerLifeWatch& operator=(const ServerLifeWatch&) = delete;

    // Watches the process and the thread of the server's window, instead of any watched before.
    // Either may fail to be set up (wine_quirks.h), and then the caller is not told of it.
    void Watch(HWND server);
    void Stop();

    // The server's process, signalled once it has ended; null while nothing is watched.
    HANDLE Process() const { return process_.Get(); }

private:
    static void CALLBACK OnWinEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child, DWORD thread,
                                    DWORD time);

    std::function<void(HWND)> windowDestroyed_;
    UniqueKernelHandle process_;
    UniqueWinEventHook hook_;
};

}  // namespace korvane::win32
