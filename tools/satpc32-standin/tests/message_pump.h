#pragma once
// Waiting on the test thread while its DDE window keeps receiving messages.
#include <windows.h>

#include <functional>

namespace standin_test {

// Pumps messages until `done` holds or `timeout_ms` has passed; returns `done()`.
// `extra` (optional) is a handle whose signal also wakes the wait.
bool pump_until(const std::function<bool()>& done, DWORD timeout_ms, HANDLE extra = nullptr);

inline void pump_for(DWORD ms) { pump_until([] { return false; }, ms); }

}  // namespace standin_test
