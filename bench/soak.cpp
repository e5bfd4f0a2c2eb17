// The soak: korvane.exe linked to the stand-in tracker for a long run of item changes, rises,
// no-satellite gaps and now and then a closed and reopened link, with its resources sampled
// from outside. Fails when memory, GDI or USER objects or handles grow after the warm-up.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/main_window_layout.h"
#include "bench_common.h"
#include "driver/korvane_app.h"
#include "driver/machine_clock.h"
#include "driver/sound_log.h"
#include "driver/standin.h"
#include "driver/test_paths.h"
#include "driver/wait_until.h"
#include "link/link_texts.h"
#include "process_metrics.h"
#include "watch/watch_status_texts.h"

namespace korvane::bench {
namespace {

using e2e::KorvaneApp;
using e2e::MachineNowMs;
using e2e::StandIn;
using std::chrono::milliseconds;

const std::vector<std::string> kSatellites = {"AO-7",  "FO-29", "SO-50",  "ISS",   "NOAA-19",
                                              "AO-91", "RS-44", "CAS-4A", "XW-2B", "UO-11"};

std::string SatelliteItem(const std::string& name, long step)
{
    char buffer[200];
    const double az = std::fmod(static_cast<double>(step) * 0.7, 360.0);
    const double el = std::fmod(static_cast<double>(step) * 0.13, 89.0);
    std::snprintf(buffer, sizeof buffer, "SN%s AZ%.1f EL%.1f UP435%06ld UMFM DN145%06ld DMFM MA%.1f", name.c_str(), az,
                  el, step % 1000000, (step * 7) % 1000000, std::fmod(static_cast<double>(step), 256.0));
    return buffer;
}

std::string NoSatelliteItem(long step)
{
    return "** NO SATELLITE ** next AOS in " + std::to_string(1000 - step % 1000) + " s";
}

void PrintSample(const ProcessSample& s, const char* note)
{
    std::printf("%8.0f  %9.1f  %9.1f  %6lld  %6lld  %7lld  %7.2f  %s\n", s.atS,
                static_cast<double>(s.workingSet) / 1024.0, static_cast<double>(s.privateBytes) / 1024.0,
                static_cast<long long>(s.gdiObjects), static_cast<long long>(s.userObjects),
                static_cast<long long>(s.handles), s.cpuS, note);
    std::fflush(stdout);
}

class Soak {
public:
    explicit Soak(Arguments& args)
        : minutes_(args.Number("minutes", 10)),
          warmupS_(args.Number("warmup-s", 90)),
          changeMs_(args.Number("change-ms", 250)),
          riseS_(args.Number("rise-s", 30)),
          relinkEvery_(static_cast<long>(args.Number("relink-every", 5))),
          maxMemoryGrowthKiB_(args.Number("max-memory-growth-kib", 1024)),
          maxCountGrowth_(static_cast<long long>(args.Number("max-count-growth", 5))),
          holdMs_(static_cast<unsigned>(args.Number("hold-ms", 30)))
    {
    }

    int Run()
    {
        std::printf(
            "soak: %.1f min, an item change every %.0f ms, a rise every %.0f s (%.0f%% of it up), "
            "relink every %ld rises, warm-up %.0f s, fake sounds of %u ms\n",
            minutes_, changeMs_, riseS_, kUpShare * 100, relinkEvery_, warmupS_, holdMs_);
        if (!CheckMetricsOnSelf()) {
            std::printf("soak: the resource counters do not work on this system\n");
            return 2;
        }
        KorvaneApp::Options options;
        options.fakeSound = true;
        options.holdMs = holdMs_;
        KorvaneApp app(options);
        StandIn tracker(e2e::Paths().standinExe);
        app_ = &app;
        tracker_ = &tracker;
        if (!Link()) {
            std::printf("soak: the first link did not open (status \"%s\")\n", app.Status().c_str());
            return 1;
        }
        MetricSources sources;
        start_ = MachineNowMs();
        samples_.push_back(Sample(&sources));
        std::printf("sources: private bytes = %s\n         GDI = %s\n         USER = %s\n         handles = %s\n",
                    sources.privateBytes.c_str(), sources.gdi.c_str(), sources.user.c_str(), sources.handles.c_str());
        std::printf("\n  time s     WS KiB  priv KiB     GDI    USER  handles    CPU s\n");
        PrintSample(samples_.back(), "start (linked)");

        const double totalS = minutes_ * 60;
        long cycle = 0;
        for (; ElapsedS() < totalS - 0.5; ++cycle) {
            if (!app.Process().IsRunning()) {
                std::printf("soak: korvane.exe ended by itself after %.0f s\n", ElapsedS());
                return 1;
            }
            RunCycle(cycle);
            samples_.push_back(Sample());
            const bool warm = samples_.back().atS >= warmupS_;
            if (warm && baseline_ < 0) {
                baseline_ = static_cast<long>(samples_.size()) - 1;
            }
            PrintSample(samples_.back(),
                        baseline_ == static_cast<long>(samples_.size()) - 1 ? "after warm-up (baseline)" : "");
        }
        Sleep(2000);  // the last announcement's sounds are logged
        return Report(cycle);
    }

private:
    static constexpr double kUpShare = 0.7;

    double ElapsedS() const { return (MachineNowMs() - start_) / 1000.0; }

    ProcessSample Sample(MetricSources* sources = nullptr)
    {
        ProcessSample s = SampleProcess(app_->Process().Handle(), app_->Process().Id(), sources);
        s.atS = ElapsedS();
        return s;
    }

    bool Link()
    {
        app_->Click(kLinkButton);
        return e2e::WaitUntil(
            [&] {
                const std::string status = app_->Status();
                return status == kConnectedText || status == kNoneVisibleText || status.rfind("Satellite ", 0) == 0;
            },
            milliseconds(5000));
    }

    // Sends item changes on a fixed beat until the cycle's clock reaches untilS.
    void ChangeUntil(double cycleStartS, double untilS, const std::string& name)
    {
        while (ElapsedS() - cycleStartS < untilS) {
            tracker_->Send("set " + (name.empty() ? NoSatelliteItem(step_) : SatelliteItem(name, step_)));
            ++step_;
            ++changes_;
            nextChangeMs_ += changeMs_;
            const double wait = nextChangeMs_ - MachineNowMs();
            if (wait > 0) {
                Sleep(static_cast<DWORD>(wait));
            } else {
                nextChangeMs_ = MachineNowMs();  // fell behind: no burst to catch up
            }
        }
    }

    void Expect(const std::string& status, const char* when)
    {
        if (!e2e::WaitUntil([&] { return app_->Status() == status; }, milliseconds(4000))) {
            ++misses_;
            std::printf("  at %.0f s %s: status \"%s\", expected \"%s\"\n", ElapsedS(), when, app_->Status().c_str(),
                        status.c_str());
        }
    }

    void RunCycle(long cycle)
    {
        const double cycleStart = ElapsedS();
        nextChangeMs_ = MachineNowMs();
        const std::string& first = kSatellites[static_cast<size_t>(cycle) % kSatellites.size()];
        const bool switchMidway = cycle % 4 == 2;
        const bool relink = relinkEvery_ > 0 && cycle % relinkEvery_ == 1;
        const double upS = riseS_ * kUpShare;

        ++expectedAnnouncements_;
        if (switchMidway) {
            const std::string& second = kSatellites[static_cast<size_t>(cycle + 3) % kSatellites.size()];
            ChangeUntil(cycleStart, upS / 2, first);
            Expect(SatelliteVisibleText(first), "rise");
            ++expectedAnnouncements_;
            ChangeUntil(cycleStart, upS, second);
            Expect(SatelliteVisibleText(second), "switch to another satellite");
        } else {
            ChangeUntil(cycleStart, upS, first);
            Expect(SatelliteVisibleText(first), "rise");
        }

        if (relink) {
            ++relinks_;
            tracker_->Send("terminate");
            Expect(std::string(kDisconnectedText), "link closed by the tracker");
            ChangeUntil(cycleStart, upS + 1.5, "");  // changes the closed link does not carry
            if (!Link()) {
                ++misses_;
                std::printf("  at %.0f s: relink failed, status \"%s\"\n", ElapsedS(), app_->Status().c_str());
            }
        }
        ChangeUntil(cycleStart, riseS_, "");
        Expect(std::string(kNoneVisibleText), "no-satellite gap");
    }

    int Report(long cycles)
    {
        const e2e::SoundLog sounds = app_->Sounds();
        long bells = 0;
        for (const auto& call : sounds.calls) {
            if (e2e::FileNameOf(call.path) == "bell.wav") {
                ++bells;
            }
        }
        std::printf(
            "\nsoak ran %.1f s: %ld item changes (%.1f a second), %ld rises, %ld announcements heard "
            "(expected %ld), %ld relinks, %zu sound calls, %ld status misses\n",
            ElapsedS(), changes_, static_cast<double>(changes_) / ElapsedS(), cycles, bells, expectedAnnouncements_,
            relinks_, sounds.calls.size(), misses_);

        bool ok = misses_ == 0 && bells == expectedAnnouncements_;
        if (baseline_ < 0) {
            std::printf("soak: too short to pass the warm-up of %.0f s; no growth verdict\n", warmupS_);
            return ok ? 0 : 1;
        }
        const ProcessSample& base = samples_[static_cast<size_t>(baseline_)];
        const ProcessSample& end = samples_.back();
        ProcessSample high = base;
        for (size_t i = static_cast<size_t>(baseline_); i < samples_.size(); ++i) {
            high.workingSet = std::max(high.workingSet, samples_[i].workingSet);
            high.privateBytes = std::max(high.privateBytes, samples_[i].privateBytes);
            high.gdiObjects = std::max(high.gdiObjects, samples_[i].gdiObjects);
            high.userObjects = std::max(high.userObjects, samples_[i].userObjects);
            high.handles = std::max(high.handles, samples_[i].handles);
        }
        auto kib = [](std::uint64_t later, std::uint64_t earlier) {
            return (static_cast<double>(later) - static_cast<double>(earlier)) / 1024.0;
        };
        struct Check {
            const char* what;
            double growth;
            double highGrowth;
            double bound;
            const char* unit;
        };
        const Check checks[] = {
            {"working set", kib(end.workingSet, base.workingSet), kib(high.workingSet, base.workingSet),
             maxMemoryGrowthKiB_, "KiB"},
            {"private bytes", kib(end.privateBytes, base.privateBytes), kib(high.privateBytes, base.privateBytes),
             maxMemoryGrowthKiB_, "KiB"},
            {"GDI objects", static_cast<double>(end.gdiObjects - base.gdiObjects),
             static_cast<double>(high.gdiObjects - base.gdiObjects), static_cast<double>(maxCountGrowth_), ""},
            {"USER objects", static_cast<double>(end.userObjects - base.userObjects),
             static_cast<double>(high.userObjects - base.userObjects), static_cast<double>(maxCountGrowth_), ""},
            {"handles", static_cast<double>(end.handles - base.handles),
             static_cast<double>(high.handles - base.handles), static_cast<double>(maxCountGrowth_), ""},
        };
        std::printf("growth after warm-up (baseline at %.0f s, end at %.0f s):\n", base.atS, end.atS);
        for (const auto& check : checks) {
            const bool pass = check.growth <= check.bound && check.highGrowth <= check.bound;
            ok = ok && pass;
            std::printf("  %-14s end %+9.1f %-3s  highest %+9.1f %-3s  bound %.0f %-3s  %s\n", check.what, check.growth,
                        check.unit, check.highGrowth, check.unit, check.bound, check.unit, pass ? "ok" : "GROWN");
        }
        std::printf("soak %s\n", ok ? "PASSED" : "FAILED");
        return ok ? 0 : 1;
    }

    double minutes_;
    double warmupS_;
    double changeMs_;
    double riseS_;
    long relinkEvery_;
    double maxMemoryGrowthKiB_;
    long long maxCountGrowth_;
    unsigned holdMs_;

    KorvaneApp* app_ = nullptr;
    StandIn* tracker_ = nullptr;
    double start_ = 0;
    double nextChangeMs_ = 0;
    long step_ = 0;
    long changes_ = 0;
    long relinks_ = 0;
    long misses_ = 0;
    long expectedAnnouncements_ = 0;
    long baseline_ = -1;
    std::vector<ProcessSample> samples_;
};

}  // namespace

int RunSoak(Arguments& args)
{
    Soak soak(args);
    if (!args.Unused().empty()) {
        std::printf("soak: unknown argument %s\n", args.Unused().front().c_str());
        return 2;
    }
    return soak.Run();
}

}  // namespace korvane::bench
