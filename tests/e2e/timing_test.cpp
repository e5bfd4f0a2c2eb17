// The tick after a warning comes a full timer interval after the warning's last
// synchronous sound, not one interval after the tick began.
#include <cstdio>

#include "driver/machine_clock.h"
#include "driver/wait_until.h"
#include "e2e_fixture.h"
#include "watch/watch_status_texts.h"

namespace korvane::e2e {
namespace {

constexpr unsigned kHoldMs = 300;  // each synchronous sound; the AO-7 warning holds 1.5 s

class Timing : public KorvaneTest {
protected:
    Timing() : KorvaneTest(KorvaneApp::Options{true, kHoldMs}) {}
};

TEST_F(Timing, NextTickComesAFullIntervalAfterTheLastSynchronousSound)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    // The warning is playing now; the change waits for the tick after it.
    tracker_->Send("set " + ItemFor("FO-29"));
    double seenAt = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            seenAt = MachineNowMs();
            return app_.Status() == SatelliteVisibleText("FO-29");
        },
        std::chrono::milliseconds(8000), std::chrono::milliseconds(5)))
        << app_.Status();

    const auto first = ChainFor("AO-7");
    const SoundLog sounds = app_.WaitForSoundCalls(first.size() + 1);
    ASSERT_GT(sounds.calls.size(), first.size());
    const double lastSynchronousEnd = sounds.calls[first.size() - 2].endMs;
    const double nextWarningStart = sounds.calls[first.size()].startMs;
    ::testing::Test::RecordProperty("gap_ms", static_cast<int>(nextWarningStart - lastSynchronousEnd));
    std::printf("next tick's warning began %.0f ms after the last synchronous sound ended\n",
                nextWarningStart - lastSynchronousEnd);
    // About 1000 ms; the lower bound allows for timer granularity, the upper one for a busy machine.
    EXPECT_GE(nextWarningStart - lastSynchronousEnd, 900.0);
    EXPECT_LE(nextWarningStart - lastSynchronousEnd, 3000.0);
    EXPECT_GE(seenAt - lastSynchronousEnd, 900.0);
}

}  // namespace
}  // namespace korvane::e2e
