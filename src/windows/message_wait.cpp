#include "windows/message_wait.h"

namespace korvane::win32 {

MessageWait::Woke MessageWait::Wait(HANDLE handle)
{
    const DWORD count = handle != nullptr ? 1 : 0;
    for (;;) {
        // Input already seen by an earlier peek but not taken wakes the thread too.
        const DWORD woke = MsgWaitForMultipleObjectsEx(count, &handle, INFINITE, wakeMask_, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 && count == 1) {
            return Woke::Handle;
        }
        if (woke != WAIT_FAILED) {
            return Woke::Queue;
        }
        if (wakeMask_ != QS_ALLINPUT) {
            wakeMask_ = QS_ALLINPUT;  // a system without touch and pen input refused their bits
            continue;
        }
        // The wait itself fails (a handle gone bad): block on the queue alone rather than spin.
        WaitMessage();
        return Woke::Queue;
    }
}

void WaitAnsweringSentMessages(HANDLE handle)
{
    constexpr DWORD kLookAtTheQueueMs = 500;
    for (;;) {
        // Runs every message sent meanwhile and takes nothing else from the queue.
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        DWORD woke = MsgWaitForMultipleObjects(1, &handle, FALSE, kLookAtTheQueueMs, QS_SENDMESSAGE);
        if (woke == WAIT_FAILED) {
            // The handle alone, still looking at the queue between waits, rather than spin.
            woke = WaitForSingleObject(handle, kLookAtTheQueueMs);
        }
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) {
            return;  // the sound has ended, or there is no thread to wait for
        }
    }
}

}  // namespace korvane::win32
