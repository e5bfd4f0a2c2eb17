// korvane_bench.exe: measurements of korvane.exe from outside, run under Wine by bench/run.sh
// and bench/soak.sh.
//   korvane_bench.exe counters                 the resource counters, checked on this process
//   korvane_bench.exe soak [--minutes 10] ...  the long run with the resource verdict
//   korvane_bench.exe timings [...]            latencies, idle CPU (beside --ticking EXE), memory
//   korvane_bench.exe startup --minimal EXE    start-up time beside a minimal window program
//   korvane_bench.exe notice [--runs N]        how soon a tracker that goes away is noticed
// korvane.exe, the stand-in and the fake winmm.dll are found as the end-to-end tests find them
// (KORVANE_E2E_KORVANE_EXE, KORVANE_E2E_STANDIN_EXE, KORVANE_E2E_FAKE_WINMM).
#include <cstdio>
#include <exception>
#include <string>

#include "bench_common.h"
#include "process_metrics.h"

int main(int argc, char** argv)
{
    using namespace korvane::bench;
    const std::string command = argc > 1 ? argv[1] : "";
    Arguments args(argc, argv, 2);
    try {
        if (command == "counters") {
            return CheckMetricsOnSelf() ? 0 : 1;
        }
        if (command == "soak") {
            return RunSoak(args);
        }
        if (command == "timings") {
            return RunTimings(args);
        }
        if (command == "startup") {
            return RunStartup(args);
        }
        if (command == "notice") {
            return RunNotice(args);
        }
    } catch (const std::exception& error) {
        std::printf("korvane_bench %s: %s\n", command.c_str(), error.what());
        return 1;
    }
    std::printf(
        "usage: korvane_bench.exe counters | soak [--minutes M --warmup-s S --change-ms MS --rise-s S "
        "--relink-every N --max-memory-growth-kib K --max-count-growth N --hold-ms MS] | timings "
        "[--mirror-changes N --status-changes N --idle-s S --hold-ms MS --ticking EXE] | startup --minimal EXE "
        "[--runs N] | notice [--runs N]\n");
    return 2;
}
