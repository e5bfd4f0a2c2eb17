#pragma once

#include <windows.h>

#include "driver/machine_clock.h"

namespace korvane::bench {

// Polls every millisecond (as finely as Sleep allows) until the condition holds; returns the
// machine time at which it was seen to hold, or a negative value on time-out.
template <typename Condition>
double SeenAt(Condition condition, double timeoutMs)
{
    const double deadline = e2e::MachineNowMs() + timeoutMs;
    while (true) {
        const double now = e2e::MachineNowMs();
        if (condition()) {
            return now;  // the time of the look that saw it: at most one poll late
        }
        if (now > deadline) {
            return -1;
        }
        Sleep(1);
    }
}

}  // namespace korvane::bench
