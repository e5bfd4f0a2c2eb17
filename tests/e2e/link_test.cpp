// Opening and losing the link to the tracker.
#include <cstdio>
#include <thread>

#include "driver/machine_clock.h"
#include "driver/wait_until.h"
#include "e2e_fixture.h"
#include "link/link_texts.h"
#include "watch/watch_status_texts.h"

namespace korvane::e2e {
namespace {

using TrackerLink = EitherTracker<KorvaneTest>;

TEST_P(TrackerLink, WithNoTrackerShowsTheFailureAndWorksOnceTheTrackerRuns)
{
    app_.Click(kLinkButton);
    ASSERT_TRUE(app_.WaitForStatus(std::string(kOpenFailedText), kSoon)) << app_.Status();
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));  // a tick or so: nothing follows
    EXPECT_EQ(app_.Status(), kOpenFailedText);
    EXPECT_EQ(app_.Text(kMirror), "");
    EXPECT_TRUE(app_.Sounds().calls.empty());

    StartTracker();
    app_.Click(kLinkButton);
    EXPECT_TRUE(app_.WaitForStatus(std::string(kConnectedText), kSoon)) << app_.Status() << "\n" << Transcript();
    // With an empty item the connected text stays over the following ticks.
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));
    EXPECT_EQ(app_.Status(), kConnectedText);
}

TEST_P(TrackerLink, TrackerEndingTheConversationShowsDisconnectedAndEmptiesTheMirror)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7", ItemWithLineEndFor("AO-7")));
    EXPECT_EQ(app_.Text(kMirror), ItemWithLineEndFor("AO-7"));

    tracker_->Send("terminate");  // a DDEML tracker: DdeUninitialize, and it runs on
    ASSERT_TRUE(app_.WaitForStatus(std::string(kDisconnectedText), kSoon)) << app_.Status() << "\n" << Transcript();
    EXPECT_EQ(app_.Text(kMirror), "");
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));  // the next tick sees the empty mirror
    EXPECT_EQ(app_.Status(), kDisconnectedText);
}

TEST_P(TrackerLink, TrackerVanishingShowsDisconnectedAndALaterLinkAnnouncesAgain)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    app_.WaitForSoundCalls(ChainFor("AO-7").size());

    tracker_->Send("exit");  // gone without a word, like a crash
    ASSERT_TRUE(tracker_->Process().WaitForExit(kSoon));
    const double goneAt = MachineNowMs();
    EXPECT_TRUE(app_.WaitForStatus(std::string(kDisconnectedText), kSoon)) << app_.Status();
    std::printf("a vanished tracker was noticed after %.0f ms\n", MachineNowMs() - goneAt);
    EXPECT_EQ(app_.Text(kMirror), "");
    // Let a tick see the empty mirror.
    std::this_thread::sleep_for(std::chrono::milliseconds(1300));

    // SatPC32 comes back with the same satellite still up: it is announced a second time.
    StartTracker().Send(SetCommand(ItemWithLineEndFor("AO-7")));
    tracker_->Send("repeat 1000");  // once a second, as SatPC32 sends it
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_TRUE(app_.WaitForStatus(SatelliteVisibleText("AO-7"), kSoon)) << app_.Status() << "\n" << Transcript();
    const auto expected = ChainsFor({"AO-7", "AO-7"});
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(expected.size()).calls), expected);
}

TEST_P(TrackerLink, PressingLinkAgainWithASatelliteUpGivesAWorkingLinkAndSpeaksItAtMostOnceMore)
{
    StartTracker().Send(SetCommand(ItemWithLineEndFor("AO-7")));
    tracker_->Send("repeat 1000");  // once a second, as SatPC32 sends it
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_TRUE(tracker_->WaitEvent("initiate")) << Transcript();
    ASSERT_TRUE(app_.WaitForStatus(SatelliteVisibleText("AO-7"), kSoon)) << app_.Status() << "\n" << Transcript();

    app_.Click(kLinkButton);
    EXPECT_TRUE(tracker_->WaitEvent("terminate from client")) << "the old conversation was left open\n" << Transcript();
    ASSERT_TRUE(tracker_->WaitEvent("initiate")) << "no second conversation\n" << Transcript();
    // The old link's end emptied the mirror, so the satellite comes back over the new one.
    ASSERT_TRUE(app_.WaitForStatus(SatelliteVisibleText("AO-7"), kSoon)) << app_.Status() << "\n" << Transcript();
    // Whether it is spoken again depends on which comes first after the button's handler: the
    // tracker's answer with the current value, or a tick due meanwhile that sees the empty mirror.
    ASSERT_NO_FATAL_FAILURE(Report("FO-29"));
    const auto once = ChainsFor({"AO-7", "FO-29"});
    const auto again = ChainsFor({"AO-7", "AO-7", "FO-29"});
    const bool spoken = WaitUntil(
        [&] {
            const auto calls = FilesAndFlags(app_.Sounds().calls);
            return calls == once || calls == again;
        },
        kSoon);
    ASSERT_TRUE(spoken) << "sound calls: " << app_.Sounds().calls.size() << "\n" << Transcript();
    std::printf("relinked with AO-7 up: %s\n",
                FilesAndFlags(app_.Sounds().calls) == once ? "not spoken again" : "spoken again");
}

TEST_P(TrackerLink, LinkPressedByAClickSentFromAnotherProgramLinksAndAnnounces)
{
    StartTracker().Send(SetCommand(ItemFor("AO-7")));
    app_.ClickBySending(kLinkButton);
    ASSERT_TRUE(app_.WaitForStatus(SatelliteVisibleText("AO-7"), kSoon)) << app_.Status() << "\n" << Transcript();
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(ChainFor("AO-7").size()).calls), ChainFor("AO-7"));
}

KORVANE_EITHER_TRACKER(TrackerLink);

}  // namespace
}  // namespace korvane::e2e
