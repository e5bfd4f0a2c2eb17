#pragma once

#include <windows.h>

namespace korvane::win32 {

// Sleeps until the window's thread has something to take from its queue (input of every kind,
// touch and pen too, posted and sent messages, timers, painting) or, when one is given, a handle
// is signalled.
class MessageWait {
public:
    enum class Woke { Queue, Handle };

    // handle may be null: then only the queue wakes the thread.
    Woke Wait(HANDLE handle);

private:
    // Built for Windows 7, QS_ALLINPUT lacks touch and pen input, which Windows 8 and later
    // queue under bits of their own; Windows 7 may refuse them, and then they are left out.
    static constexpr DWORD kTouchAndPointer = 0x0800 | 0x1000;  // QS_TOUCH | QS_POINTER

    DWORD wakeMask_ = QS_ALLINPUT | kTouchAndPointer;
};

// Waits until the handle is signalled, answering meanwhile only the messages that other threads
// and programs send to this thread; input, posted messages and timers stay in the queue for the
// message loop. The thread looks at its queue at least twice a second, so that Windows never
// counts its windows as not responding.
void WaitAnsweringSentMessages(HANDLE handle);

}  // namespace korvane::win32
