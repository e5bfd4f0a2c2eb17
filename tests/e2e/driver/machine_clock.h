#pragma once

namespace korvane::e2e {

// Milliseconds of QueryPerformanceCounter: the same clock the fake winmm.dll stamps its log
// with, comparable across the processes of one machine.
double MachineNowMs();

}  // namespace korvane::e2e
