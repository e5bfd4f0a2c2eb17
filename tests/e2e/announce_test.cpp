// The spoken warning for a rising satellite, as the sound library sees the calls.
#include <algorithm>
#include <thread>

#include <windows.h>

#include "driver/test_paths.h"
#include "driver/wait_until.h"
#include "driver/wide_text.h"
#include "e2e_fixture.h"
#include "link/link_texts.h"
#include "watch/watch_status_texts.h"

namespace korvane::e2e {
namespace {

using Announce = KorvaneTest;
using AnnounceFromEitherTracker = EitherTracker<KorvaneTest>;

TEST_P(AnnounceFromEitherTracker, RisingSatellitePlaysTheChainFromTheProgramsFolderOnce)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    EXPECT_TRUE(app_.Sounds().attachMs.empty()) << "winmm.dll loaded before the first sound";

    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    const auto chain = ChainFor("AO-7");
    const SoundLog sounds = app_.WaitForSoundCalls(chain.size());
    ASSERT_EQ(FilesAndFlags(sounds.calls), chain);
    ExpectAllInProgramFolder(sounds.calls);
    ASSERT_EQ(sounds.attachMs.size(), 1U);
    EXPECT_LE(sounds.attachMs[0], sounds.calls[0].startMs);
    // Each synchronous sound ends before the next one starts.
    for (size_t i = 1; i < sounds.calls.size(); ++i) {
        EXPECT_GE(sounds.calls[i].startMs, sounds.calls[i - 1].endMs) << "call " << i;
    }

    // Later ticks, new texts for the same satellite and the same text once a second (as SatPC32
    // sends it) announce nothing more.
    tracker_->Send(SetCommand(ItemWithLineEndFor("AO-7")));
    tracker_->Send("repeat 300");
    std::this_thread::sleep_for(std::chrono::milliseconds(2300));
    EXPECT_EQ(app_.Status(), SatelliteVisibleText("AO-7"));
    EXPECT_EQ(app_.Sounds().calls.size(), chain.size());
    tracker_->Send(SetCommand(kNoSatelliteWithLineEnd));
    EXPECT_TRUE(app_.WaitForStatus(std::string(kNoneVisibleText), kSoon)) << app_.Status();
}

TEST_F(Announce, AWinmmDllLeftBesideTheProgramIsNeverLoaded)
{
    // Anyone may leave a winmm.dll in the program's folder; had this one (a copy of the recording
    // one) been loaded, its load would be logged with its path.
    ASSERT_TRUE(CopyFileW(Wide(Paths().fakeWinmm).c_str(), (app_.ExeFolderWide() + L"\\winmm.dll").c_str(), FALSE));
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    const auto chain = ChainFor("AO-7");
    const SoundLog sounds = app_.WaitForSoundCalls(chain.size());
    EXPECT_EQ(FilesAndFlags(sounds.calls), chain);
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_GT(length, 0U);
    const std::string expected = std::string(system, length) + "\\winmm.dll";
    ASSERT_EQ(sounds.attachPaths.size(), 1U);
    EXPECT_TRUE(SamePath(sounds.attachPaths[0], expected)) << "winmm.dll was loaded from " << sounds.attachPaths[0];
}

TEST_F(Announce, EachChangeOfSatelliteIsAnnouncedAndLetterCaseCounts)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    std::vector<std::pair<std::string, unsigned>> expected;
    for (const std::string name : {"AO-7", "ao-7", "AO-7"}) {
        ASSERT_NO_FATAL_FAILURE(Report(name));
        const auto chain = ChainFor(name);
        expected.insert(expected.end(), chain.begin(), chain.end());
        ASSERT_EQ(FilesAndFlags(app_.WaitForSoundCalls(expected.size()).calls), expected) << "after " << name;
    }
}

TEST_F(Announce, NoSatelliteMarkerShowsWaitingAndTheSameSatelliteIsAnnouncedAgainAfterIt)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("SO-50"));
    tracker_->Send("set ** NO SATELLITE ** next AOS 12:34");
    ASSERT_TRUE(app_.WaitForStatus(std::string(kNoneVisibleText), kSoon)) << app_.Status();
    ASSERT_NO_FATAL_FAILURE(Report("SO-50"));

    const auto expected = ChainsFor({"SO-50", "SO-50"});
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(expected.size()).calls), expected);
}

TEST_F(Announce, LowerCaseMarkerIsAnEmptyNameThatIsAnnouncedAfterASatellite)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    tracker_->Send("set ** no satellite **");
    ASSERT_TRUE(app_.WaitForStatus("Satellite  is currently visible", kSoon)) << app_.Status();

    const auto expected = ChainsFor({"AO-7", ""});
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(expected.size()).calls), expected);
}

TEST_P(AnnounceFromEitherTracker, SatelliteAlreadyUpWhenLinkingIsAnnounced)
{
    StartTracker().Send(SetCommand(ItemWithLineEndFor("NO-84")));
    ASSERT_NO_FATAL_FAILURE(Link());
    EXPECT_TRUE(app_.WaitForStatus(SatelliteVisibleText("NO-84"), kSoon)) << app_.Status() << "\n" << Transcript();
    EXPECT_EQ(app_.Text(kMirror), ItemWithLineEndFor("NO-84"));
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(ChainFor("NO-84").size()).calls), ChainFor("NO-84"));
}

TEST_F(Announce, NameWithAmpersandDashAndSlashIsShownAsItIsAndSpelledWithoutDashAndSlash)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    tracker_->Send("set SNA&B-1/2 AZ1");
    ASSERT_TRUE(app_.WaitForStatus("Satellite A&B-1/2 is currently visible", kSoon)) << app_.Status();
    EXPECT_NE(GetWindowLongA(app_.Control(kStatusLine), GWL_STYLE) & SS_NOPREFIX, 0)
        << "the status line would draw \"&\" as an access-key underline";
    const std::vector<std::pair<std::string, unsigned>> expected{{"bell.wav", 0}, {"satellite.wav", 0}, {"A.wav", 0},
                                                                 {"&.wav", 0},    {"B.wav", 0},         {"1.wav", 0},
                                                                 {"2.wav", 0},    {"IsRising.wav", 1}};
    EXPECT_EQ(FilesAndFlags(app_.WaitForSoundCalls(expected.size()).calls), expected);
}

KORVANE_EITHER_TRACKER(AnnounceFromEitherTracker);

}  // namespace
}  // namespace korvane::e2e
