#include "message_pump.h"

namespace standin_test {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, HANDLE extra)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) {
            return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        const DWORD left = static_cast<DWORD>(deadline - now);
        MsgWaitForMultipleObjects(extra ? 1 : 0, extra ? &extra : nullptr, FALSE, left < 20 ? left : 20, QS_ALLINPUT);
    }
}

}  // namespace standin_test
