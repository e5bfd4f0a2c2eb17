#pragma once
// Waiting on the test thread while its DDE window keeps receiving messages.
#include <windows.h>

#include <functional>

namespace standin_test {

// Pumps messages until `done` holds or `timeoutMs` has passed; returns `done()`.
// `extra` (optional) is a handle whose signal also wakes the wait.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs, HANDLE extra = nullptr);

inline void PumpFor(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

}  // namespace standin_test
