#pragma once

#include <chrono>
#include <thread>

namespace korvane::e2e {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Polls the condition until it holds or the deadline passes; returns its last value.
template <typename Condition>
bool WaitUntil(Condition condition, milliseconds timeout, milliseconds poll = milliseconds(20))
{
    const auto deadline = Clock::now() + timeout;
    while (true) {
        if (condition()) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(poll);
    }
}

}  // namespace korvane::e2e
