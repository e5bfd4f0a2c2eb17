#include "message_pump.h"

namespace standin_test {

bool pump_until(const std::function<bool()>& done, DWORD timeout_ms, HANDLE extra) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        const DWORD left = static_cast<DWORD>(deadline - now);
        MsgWaitForMultipleObjects(extra ? 1 : 0, extra ? &extra : nullptr, FALSE, left < 20 ? left : 20, QS_ALLINPUT);
    }
}

}  // namespace standin_test
