// Figures of one korvane.exe linked to the stand-in tracker: how soon a changed item reaches
// the mirror and the status line, CPU use while idle and linked (beside a bare window that
// ticks as korvane.exe does), resident memory; and the start-up time to a shown window beside
// a minimal Win32 program.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/main_window_layout.h"
#include "bench_common.h"
#include "driver/child_process.h"
#include "driver/korvane_app.h"
#include "driver/machine_clock.h"
#include "driver/standin.h"
#include "driver/temp_folder.h"
#include "driver/test_paths.h"
#include "driver/wait_until.h"
#include "driver/window_probe.h"
#include "link/link_texts.h"
#include "polling.h"
#include "process_metrics.h"
#include "watch/watch_status_texts.h"

namespace korvane::bench {
namespace {

using e2e::MachineNowMs;
using std::chrono::milliseconds;

std::string ItemFor(const std::string& name, int step)
{
    return "SN" + name + " AZ" + std::to_string(100 + step % 200) + ".5 EL" + std::to_string(step % 80) +
           ".2 UP435250000 UMFM DN145800000 DMFM MA" + std::to_string(step % 256) + ".0";
}

std::string Kib(std::uint64_t bytes)
{
    return Format("%.0f KiB", static_cast<double>(bytes) / 1024.0);
}

// The last part of a Windows path: a program's own temporary folder, which names it uniquely
// among the command lines of the machine's processes.
std::string FolderName(const std::string& folder)
{
    return folder.substr(folder.find_last_of('\\') + 1);
}

// Where a process's CPU time is read: under Wine from Linux (the process whose command line
// holds the fragment), else GetProcessTimes.
struct CpuClock {
    std::string fragment;
    HANDLE process = nullptr;
};

struct CpuReading {
    LinuxSchedule schedule;
    double processTimesS = 0;
};

CpuReading ReadCpu(const CpuClock& clock)
{
    return {LinuxScheduling(clock.fragment), CpuSeconds(clock.process)};
}

struct CpuRate {
    double msPerS = 0;  // CPU milliseconds a second of wall time
    bool fromLinux = false;
    double runsPerS = -1;       // times a thread was put on a CPU, a second; -1 where unknown
    double processTimesMs = 0;  // GetProcessTimes over the stretch, for comparison
};

CpuRate RateBetween(const CpuReading& before, const CpuReading& after, double wallS)
{
    CpuRate rate;
    rate.processTimesMs = (after.processTimesS - before.processTimesS) * 1000;
    rate.fromLinux =
        before.schedule.cpuNanoseconds >= 0 && after.schedule.cpuNanoseconds >= before.schedule.cpuNanoseconds;
    rate.msPerS = rate.fromLinux ? static_cast<double>(after.schedule.cpuNanoseconds - before.schedule.cpuNanoseconds) /
                                       1e6 / wallS
                                 : rate.processTimesMs / wallS;
    if (rate.fromLinux) {
        rate.runsPerS = static_cast<double>(after.schedule.timesRun - before.schedule.timesRun) / wallS;
    }
    return rate;
}

std::string Describe(const CpuRate& rate)
{
    return Format("%.3f %% of one core, %.3f ms CPU a second", rate.msPerS / 10, rate.msPerS) +
           (rate.fromLinux ? Format(", its threads put on a CPU %.1f times a second (Linux schedstat of the process)",
                                    rate.runsPerS)
                           : "") +
           Format("; GetProcessTimes: %.0f ms in all (it counts in 10 ms steps under Wine)", rate.processTimesMs);
}

// When the process's top-level window with the caption was first seen shown; negative when not
// within the time-out.
double WindowShownAt(const e2e::ChildProcess& child, const std::string& caption, double timeoutMs)
{
    return SeenAt(
        [&] {
            HWND window = e2e::FindTopLevelWindow(child.Id(), caption);
            return window != nullptr && IsWindowVisible(window);
        },
        timeoutMs);
}

// Starts a program for a timed start-up. On a busy machine Wine now and then refuses a
// CreateProcess (ERROR_INTERNAL_ERROR); such a start is counted and tried again, up to twice.
// startedAt is the moment just before the CreateProcess that succeeded.
std::unique_ptr<e2e::ChildProcess> StartProgram(const e2e::ChildProcess::Options& launch, double& startedAt,
                                                int& refused)
{
    for (int attempt = 0;; ++attempt) {
        startedAt = MachineNowMs();
        try {
            return std::make_unique<e2e::ChildProcess>(launch);
        } catch (const std::runtime_error&) {
            if (attempt == 2) {
                throw;
            }
            ++refused;
            Sleep(500);
        }
    }
}

// bench/ticking_window.cpp running from a copy in a temporary folder of its own, as korvane.exe
// does, until destroyed.
class TickingWindow {
public:
    explicit TickingWindow(const std::string& exe)
    {
        const std::string copy = folder_.File("korvane_bench_ticking_window.exe");
        if (!CopyFileA(WindowsPath(exe).c_str(), copy.c_str(), FALSE)) {
            throw std::runtime_error("cannot copy " + exe);
        }
        e2e::ChildProcess::Options launch;
        launch.commandLine = "\"" + copy + "\"";
        launch.workingDirectory = folder_.Path();
        process_ = std::make_unique<e2e::ChildProcess>(launch);
        if (WindowShownAt(*process_, kCaption, 20000) < 0) {
            throw std::runtime_error("the ticking window did not show within 20 s");
        }
    }
    CpuClock Clock() const { return {FolderName(folder_.Path()), process_->Handle()}; }

private:
    static constexpr const char* kCaption = "Korvane bench ticking window";
    e2e::TempFolder folder_;
    std::unique_ptr<e2e::ChildProcess> process_;
};

}  // namespace

int RunTimings(Arguments& args)
{
    const int mirrorChanges = static_cast<int>(args.Number("mirror-changes", 200));
    const int statusChanges = static_cast<int>(args.Number("status-changes", 20));
    const double idleS = args.Number("idle-s", 30);
    const unsigned holdMs = static_cast<unsigned>(args.Number("hold-ms", 20));
    const std::string tickingExe = args.Text("ticking", "");
    if (!args.Unused().empty()) {
        std::printf("timings: unknown argument %s\n", args.Unused().front().c_str());
        return 2;
    }
    std::mt19937 random(20240601u);

    e2e::KorvaneApp::Options options;
    options.fakeSound = true;
    options.holdMs = holdMs;
    e2e::KorvaneApp app(options);
    e2e::StandIn tracker(e2e::Paths().standinExe);
    app.Click(kLinkButton);
    if (!app.WaitForStatus(std::string(kConnectedText), milliseconds(5000))) {
        std::printf("timings: the link did not open (status \"%s\")\n", app.Status().c_str());
        return 1;
    }

    // The stand-in's own share: a command through its stdin and its answer on stdout.
    std::vector<double> roundTrips;
    for (int i = 0; i < 50; ++i) {
        const double t0 = MachineNowMs();
        tracker.Send("wait 0");
        if (tracker.WaitEvent("command wait 0", milliseconds(3000))) {
            roundTrips.push_back(MachineNowMs() - t0);
        }
        Sleep(5);
    }
    Row("stand-in pipe round trip (command in, its event line out; part of every latency below)",
        Ms(Summarize(roundTrips)));

    // Item change to mirror. The satellite stays the same, so no warning plays meanwhile;
    // the once-a-second tick still runs (and repaints the status line) in between.
    tracker.Send("set " + ItemFor("AO-7", 0));
    if (!app.WaitForStatus(SatelliteVisibleText("AO-7"), milliseconds(5000))) {
        std::printf("timings: the first satellite was not reported (status \"%s\")\n", app.Status().c_str());
        return 1;
    }
    Sleep(1500);  // its warning is over
    std::vector<double> mirror;
    int mirrorMisses = 0;
    std::uniform_int_distribution<int> gap(10, 60);
    for (int i = 1; i <= mirrorChanges; ++i) {
        const std::string item = ItemFor("AO-7", i);
        const double t0 = MachineNowMs();
        tracker.Send("set " + item);
        const double seen = SeenAt([&] { return app.Mirror() == item; }, 3000);
        if (seen < 0) {
            ++mirrorMisses;
        } else {
            mirror.push_back(seen - t0);
        }
        Sleep(static_cast<DWORD>(gap(random)));
    }
    Row("item change -> mirror holds it",
        Ms(Summarize(mirror)) + (mirrorMisses ? Format(", %.0f not seen within 3 s", mirrorMisses) : ""));

    // Item change to status line: bounded by the one-second tick. Satellites and the
    // no-satellite marker alternate, at a random phase of the tick.
    const char* names[] = {"FO-29", "SO-50", "ISS", "RS-44", "AO-91"};
    std::vector<double> status;
    int statusMisses = 0;
    std::uniform_int_distribution<int> phase(0, 999);
    for (int i = 0; i < statusChanges; ++i) {
        Sleep(static_cast<DWORD>(phase(random)));
        const bool satellite = i % 2 == 0;
        const std::string name = names[(i / 2) % 5];
        const std::string item = satellite ? ItemFor(name, i) : std::string("** NO SATELLITE **");
        const std::string expected = satellite ? SatelliteVisibleText(name) : std::string(kNoneVisibleText);
        const double t0 = MachineNowMs();
        tracker.Send("set " + item);
        const double seen = SeenAt([&] { return app.Status() == expected; }, 5000);
        if (seen < 0) {
            ++statusMisses;
        } else {
            status.push_back(seen - t0);
        }
    }
    Row("item change -> status line shows it (one-second tick by design)",
        Ms(Summarize(status)) + (statusMisses ? Format(", %.0f not seen within 5 s", statusMisses) : ""));

    // Idle and linked: the same satellite stays reported, so every tick rewrites and repaints
    // the status line and nothing else happens. The ticking window, if given, runs meanwhile
    // and is measured over the same stretch, so that both see the same machine.
    std::unique_ptr<TickingWindow> ticking;
    if (!tickingExe.empty()) {
        ticking = std::make_unique<TickingWindow>(tickingExe);
    }
    tracker.Send("set " + ItemFor("AO-7", 0));
    app.WaitForStatus(SatelliteVisibleText("AO-7"), milliseconds(5000));
    Sleep(3000);
    const CpuClock korvaneClock{FolderName(app.ExeFolder()), app.Process().Handle()};
    auto idleCpu = [&](double seconds, const std::string& what, const TickingWindow* beside) {
        const CpuReading korvane0 = ReadCpu(korvaneClock);
        const CpuReading beside0 = beside ? ReadCpu(beside->Clock()) : CpuReading{};
        const double wall0 = MachineNowMs();
        Sleep(static_cast<DWORD>(seconds * 1000));
        const CpuReading korvane1 = ReadCpu(korvaneClock);
        const CpuReading beside1 = beside ? ReadCpu(beside->Clock()) : CpuReading{};
        const double wallS = (MachineNowMs() - wall0) / 1000.0;
        const CpuRate korvane = RateBetween(korvane0, korvane1, wallS);
        Row(what + Format(" (%.0f s)", wallS), Describe(korvane));
        if (beside) {
            const CpuRate yardstick = RateBetween(beside0, beside1, wallS);
            Row(Format("CPU a second over the same %.0f s: korvane.exe / a bare window ticking as it does "
                       "(bench/ticking_window.cpp)",
                       wallS),
                Format("%.3f ms / %.3f ms, ratio %.2f", korvane.msPerS, yardstick.msPerS,
                       korvane.msPerS / yardstick.msPerS) +
                    (yardstick.fromLinux
                         ? Format("; threads put on a CPU %.1f / %.1f times a second (Linux schedstat of "
                                  "each process)",
                                  korvane.runsPerS, yardstick.runsPerS)
                         : " (GetProcessTimes)"));
        }
    };
    idleCpu(idleS, "CPU while idle and linked, a satellite reported: every tick rewrites and repaints the status line",
            ticking.get());
    ticking.reset();

    tracker.Send("set ** NO SATELLITE **");
    app.WaitForStatus(std::string(kNoneVisibleText), milliseconds(5000));
    Sleep(2000);
    idleCpu(idleS / 2, "CPU while idle and linked, no satellite", nullptr);

    MetricSources sources;
    const ProcessSample memory = SampleProcess(app.Process().Handle(), app.Process().Id(), &sources);
    Row("resident memory, linked, after the runs above (working set / peak)",
        Kib(memory.workingSet) + " / " + Kib(memory.peakWorkingSet));
    Row("private memory (" + sources.privateBytes + ")", Kib(memory.privateBytes));
    Row("GDI objects / USER objects / handles",
        Format("%.0f / %.0f / %.0f", static_cast<double>(memory.gdiObjects), static_cast<double>(memory.userObjects),
               static_cast<double>(memory.handles)));
    return mirrorMisses + statusMisses == 0 ? 0 : 1;
}

int RunStartup(Arguments& args)
{
    const int runs = static_cast<int>(args.Number("runs", 10));
    const std::string minimal = args.Text("minimal", "");
    if (!args.Unused().empty() || minimal.empty()) {
        std::printf("startup: --minimal PATH required; unknown argument?\n");
        return 2;
    }
    struct Program {
        std::string label;
        std::string exe;
        std::string caption;
        std::vector<double> times;
        ProcessSample resources;
        int refused;  // starts that CreateProcess refused
    };
    Program programs[] = {{"korvane.exe", e2e::Paths().korvaneExe, std::string(kMainWindowCaption), {}, {}, 0},
                          {"minimal Win32 window program", minimal, "Korvane bench minimal window", {}, {}, 0}};
    for (auto& program : programs) {
        program.exe = WindowsPath(program.exe);
    }
    // One unmeasured start of each first (disk cache, Wine's first load of each DLL), then
    // alternate so that both see the same machine.
    for (int run = -1; run < runs; ++run) {
        for (auto& program : programs) {
            e2e::ChildProcess::Options launch;
            launch.commandLine = "\"" + program.exe + "\"";
            launch.workingDirectory = program.exe.substr(0, program.exe.find_last_of('\\'));
            double t0 = 0;
            const std::unique_ptr<e2e::ChildProcess> started = StartProgram(launch, t0, program.refused);
            e2e::ChildProcess& child = *started;
            const double seen = WindowShownAt(child, program.caption, 20000);
            if (seen < 0) {
                std::printf("startup: %s showed no window within 20 s\n", program.label.c_str());
                return 1;
            }
            if (run >= 0) {
                program.times.push_back(seen - t0);
            }
            if (run == runs - 1) {
                Sleep(500);  // settled after its first paint
                program.resources = SampleProcess(child.Handle(), child.Id());
            }
            child.Kill();
            Sleep(200);
        }
    }
    const Summary korvane = Summarize(programs[0].times);
    const Summary yardstick = Summarize(programs[1].times);
    auto refusals = [](const Program& program) {
        return program.refused == 0
                   ? std::string()
                   : Format("; %.0f of its starts refused by CreateProcess and tried again", program.refused);
    };
    Row("start-up to a shown window: korvane.exe", Ms(korvane) + refusals(programs[0]));
    Row("start-up to a shown window: minimal Win32 window program (bench/minimal_window.cpp)",
        Ms(yardstick) + refusals(programs[1]));
    Row("start-up ratio korvane.exe / minimal (medians)", Format("%.2f", korvane.median / yardstick.median));
    for (const auto& program : programs) {
        const ProcessSample& r = program.resources;
        Row("just started, not linked: " + program.label + " (working set / private / GDI / USER / handles)",
            Kib(r.workingSet) + " / " + Kib(r.privateBytes) +
                Format(" / %.0f / %.0f / %.0f", static_cast<double>(r.gdiObjects), static_cast<double>(r.userObjects),
                       static_cast<double>(r.handles)));
    }
    return 0;
}

}  // namespace korvane::bench
