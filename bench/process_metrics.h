#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace korvane::bench {

// One look at another process's resources, from outside.
//
// Where Wine does not implement a call (GetGuiResources, GetProcessHandleCount and
// PrivateUsage give 0 there), the figure is taken another way and the source says which:
//   handles: the system handle table (NtQuerySystemInformation) entries owned by the process;
//   GDI objects: the live entries of the process's own GDI handle table (PEB), read from outside;
//   USER objects: the windows the process owns (top-level, child and message-only).
struct ProcessSample {
    double atS = 0;                // seconds since the soak began
    std::uint64_t workingSet = 0;  // bytes
    std::uint64_t peakWorkingSet = 0;
    std::uint64_t privateBytes = 0;  // PrivateUsage, or PagefileUsage where that is 0
    std::int64_t gdiObjects = -1;    // -1: not available
    std::int64_t userObjects = -1;
    std::int64_t handles = -1;
    double cpuS = 0;  // user + kernel time so far
};

struct MetricSources {
    std::string privateBytes;
    std::string gdi;
    std::string user;
    std::string handles;
};

ProcessSample SampleProcess(HANDLE process, DWORD processId, MetricSources* sources = nullptr);

// User + kernel CPU seconds of the process so far.
double CpuSeconds(HANDLE process);

// Under Wine only: how the Linux process of this Wine prefix whose command line contains the
// fragment (e.g. the program's unique folder) has been scheduled, summed over its threads
// (/proc/PID/task/*/schedstat, read through drive Z:): the CPU time it has run, in
// nanoseconds, far finer than GetProcessTimes, which counts in 10 ms steps there; and how many
// times a thread of it was put on a CPU, about once for each time it woke up. -1 when there is
// no such process or no /proc.
struct LinuxSchedule {
    std::int64_t cpuNanoseconds = -1;
    std::int64_t timesRun = -1;
};
LinuxSchedule LinuxScheduling(const std::string& commandLineFragment);

// Checks that the counters above follow objects made in this very process (brushes, events,
// windows). Prints what it saw; false if a counter does not move as it should.
bool CheckMetricsOnSelf();

}  // namespace korvane::bench
