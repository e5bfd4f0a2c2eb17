// The cost of one tick of the pass watcher (korvane::PassWatcher::Tick) with light fakes for the window and
// the sound port, natively: what the program's own logic adds to each second, apart from the
// Win32 calls (status text, repaint, timer) that the fakes stand in for.
#include <benchmark/benchmark.h>

#include <string>

#include "watch/pass_watcher.h"
#include "watch/sound_port.h"
#include "watch/watch_window.h"

namespace {

class FakeWindow final : public korvane::WatchWindow {
public:
    std::string mirror;
    std::string status;
    int repaints = 0;
    bool timer = true;

    std::string ReadMirror() const override { return mirror; }
    void SetStatusText(const std::string& text) override { status = text; }
    void RepaintStatusNow() override { ++repaints; }
    void SetTimerEnabled(bool enabled) override { timer = enabled; }
};

class FakeSound final : public korvane::SoundPort {
public:
    int played = 0;
    std::string ProgramDirectory() override { return "C:\\Program Files\\Korvane"; }
    void Play(const std::string& path, korvane::PlayMode) override
    {
        benchmark::DoNotOptimize(path.data());
        ++played;
    }
};

const char* const kSatelliteItem = "SNAO-7 AZ123.4 EL12.3 UP435250000 UMFM DN145800000 DMFM MA123.0";

// Ticks with the item in the mirror: each time as a watcher's first tick, or, when seenBefore,
// with a watcher that saw the item's satellite at the previous tick.
void RunTicks(benchmark::State& state, const std::string& item, bool seenBefore)
{
    FakeWindow window;
    FakeSound sound;
    window.mirror = item;
    korvane::PassWatcher watcher;
    watcher.Tick(window, sound);
    sound.played = 0;
    for (auto _ : state) {
        if (!seenBefore) {
            watcher = korvane::PassWatcher{};
        }
        watcher.Tick(window, sound);
        benchmark::DoNotOptimize(window.status.data());
    }
    state.counters["sounds/tick"] =
        benchmark::Counter(static_cast<double>(sound.played), benchmark::Counter::kAvgIterations);
}

// No link: the mirror is empty, the tick only stops and restarts the timer.
void BM_TickEmptyMirror(benchmark::State& state)
{
    RunTicks(state, "", false);
}

// Linked, nothing above the horizon: the waiting text is written.
void BM_TickNoSatellite(benchmark::State& state)
{
    RunTicks(state, "** NO SATELLITE ** next AOS in 1234 s", false);
}

// Linked, the same satellite as at the previous tick: the usual tick while a pass goes on
// (status written and repainted, no announcement).
void BM_TickSameSatellite(benchmark::State& state)
{
    RunTicks(state, kSatelliteItem, true);
}

// A newly reported satellite with the sound calls faked (the real ones hold the thread for
// the length of the spoken warning): the cost of building the chain of sound paths.
void BM_TickNewSatelliteFakeSound(benchmark::State& state)
{
    RunTicks(state, kSatelliteItem, false);
}

}  // namespace

BENCHMARK(BM_TickEmptyMirror);
BENCHMARK(BM_TickNoSatellite);
BENCHMARK(BM_TickSameSatellite);
BENCHMARK(BM_TickNewSatelliteFakeSound);

BENCHMARK_MAIN();
