#include "watch/pass_watcher.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "fake_main_window.h"

namespace korvane {
namespace {

using Log = std::vector<std::string>;

const std::string kDir = "C:\\Ham Radio\\Korvane";
const std::string kNone = "status None of the priority satellites is currently visible. Waiting for the next one...";

class PassWatcherTest : public ::testing::Test {
protected:
    // Runs one tick with the given mirror text and returns what it did, in order.
    Log TickWith(const std::string& itemText)
    {
        log.clear();
        window.mirror = itemText;
        watcher.Tick(window, sound);
        return log;
    }

    // The sounds a tick played, without the window's steps.
    static Log SoundsOf(const Log& tickLog)
    {
        Log sounds;
        for (const std::string& line : tickLog) {
            if (line.starts_with("sync ") || line.starts_with("async ")) {
                sounds.push_back(line);
            }
        }
        return sounds;
    }

    static Log ChainFor(const std::vector<std::string>& characterFiles)
    {
        Log chain{"sync " + kDir + "\\bell.wav", "sync " + kDir + "\\satellite.wav"};
        for (const std::string& file : characterFiles) {
            chain.push_back("sync " + kDir + "\\" + file);
        }
        chain.push_back("async " + kDir + "\\IsRising.wav");
        return chain;
    }

    Log log;
    testing::FakeMainWindow window{log};
    testing::FakeSound sound{log};
    PassWatcher watcher;
};

TEST_F(PassWatcherTest, RisingSatelliteIsShownRepaintedAndAnnouncedInsideOneStoppedTimerTick)
{
    const Log expected{
        "timer off",
        "read mirror",
        "status Satellite FO-29 is currently visible",
        "repaint",
        "sync " + kDir + "\\bell.wav",
        "sync " + kDir + "\\satellite.wav",
        "sync " + kDir + "\\F.wav",
        "sync " + kDir + "\\O.wav",
        "sync " + kDir + "\\2.wav",
        "sync " + kDir + "\\9.wav",
        "async " + kDir + "\\IsRising.wav",
        "timer on",
    };
    EXPECT_EQ(TickWith("SNFO-29 AZ56.7 EL6.8 UP145951275 UMLSB DN435853062 DMUSB MA52.6"), expected);
}

TEST_F(PassWatcherTest, SameSatelliteOnLaterTicksIsShownAndRepaintedButNotAnnouncedAgain)
{
    TickWith("SNAO-7 AZ123.4 EL10.2");
    for (const char* text : {"SNAO-7 AZ124.0 EL11.0", "SNAO-7 AZ125.1 EL12.3", "SNAO-7"}) {
        const Log expected{"timer off", "read mirror", "status Satellite AO-7 is currently visible", "repaint",
                           "timer on"};
        EXPECT_EQ(TickWith(text), expected) << text;
    }
}

TEST_F(PassWatcherTest, EmptyItemForgetsTheSatelliteAndLeavesTheStatusLineAlone)
{
    TickWith("SNAO-7 AZ1 EL2");
    window.status = "Disconnected from SatPC32";
    EXPECT_EQ(TickWith(""), (Log{"timer off", "read mirror", "timer on"}));
    EXPECT_EQ(window.status, "Disconnected from SatPC32");
}

TEST_F(PassWatcherTest, NoSatelliteMarkerShowsTheWaitingTextWithoutRepaintOrSound)
{
    TickWith("SNAO-7 AZ1 EL2");
    const Log expected{"timer off", "read mirror", kNone, "timer on"};
    EXPECT_EQ(TickWith("** NO SATELLITE **"), expected);
    // Whatever follows the marker is ignored.
    EXPECT_EQ(TickWith("** NO SATELLITE ** AZ0 EL-5"), expected);
    EXPECT_EQ(TickWith("** NO SATELLITE **SNAO-7"), expected);
}

TEST_F(PassWatcherTest, NearMissesOfTheMarkerAreReadAsReportedSatellites)
{
    // Other letter case: a space at position 3 gives the empty name.
    EXPECT_EQ(TickWith("** no satellite **")[2], "status Satellite  is currently visible");
    // Shorter than the marker: a prefix of it is not the marker.
    watcher = PassWatcher{};
    EXPECT_EQ(TickWith("** NO SATELLITE")[2], "status Satellite  is currently visible");
    EXPECT_EQ(TickWith("*** NO SATELLITE **")[2], "status Satellite * is currently visible");
    EXPECT_EQ(TickWith(" ** NO SATELLITE **")[2], "status Satellite * is currently visible");
}

TEST_F(PassWatcherTest, NameRunsFromTheThirdCharacterToTheFirstSpaceOrTheEnd)
{
    struct Case {
        const char* text;
        const char* name;
    };
    for (const Case& c :
         {Case{"SNISS", "ISS"}, Case{"SNISS AZ1", "ISS"}, Case{"xyRS-44 EL3", "RS-44"}, Case{"SNA", "A"}, Case{"S", ""},
          Case{"SN", ""}, Case{"SN ISS", ""}, Case{"SNNO-84  AZ", "NO-84"}, Case{"SN\tAO-7", "\tAO-7"}}) {
        watcher = PassWatcher{};
        const Log tick = TickWith(c.text);
        EXPECT_EQ(tick[2], std::string("status Satellite ") + c.name + " is currently visible") << c.text;
    }
}

// Shift_JIS, as Japanese Windows' ANSI code page cuts text: 0x81-0x9F and 0xE0-0xFC lead two bytes.
std::size_t ShiftJisCharacterLength(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text.front());
    const bool leads = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    return leads && text.size() >= 2 ? 2 : 1;
}

TEST_F(PassWatcherTest, MultiByteCharactersAreSkippedAndSpelledWholeInTheirCodePage)
{
    // "\xE6\x98\x9F" is one character in UTF-8, "\x90\xAF" one in Shift_JIS.
    watcher = PassWatcher{Utf8CharacterLength};
    EXPECT_EQ(TickWith("\xE6\x98\x9F\xC3\xA9"
                       "AO-\xE6\x98\x9F EL3"),
              (Log{"timer off", "read mirror", "status Satellite AO-\xE6\x98\x9F is currently visible", "repaint",
                   "sync " + kDir + "\\bell.wav", "sync " + kDir + "\\satellite.wav", "sync " + kDir + "\\A.wav",
                   "sync " + kDir + "\\O.wav", "sync " + kDir + "\\\xE6\x98\x9F.wav",
                   "async " + kDir + "\\IsRising.wav", "timer on"}));
    watcher = PassWatcher{ShiftJisCharacterLength};
    EXPECT_EQ(SoundsOf(TickWith("\x90\xAFS\x90\xAF\x90\xAF")), ChainFor({"\x90\xAF.wav", "\x90\xAF.wav"}));
    // A lead byte at the very end, and bytes that lead nothing, stand alone.
    watcher = PassWatcher{Utf8CharacterLength};
    EXPECT_EQ(SoundsOf(TickWith("SN\x80\xC3")), ChainFor({"\x80.wav", "\xC3.wav"}));
    // The bound counts characters: 64 three-byte characters are all spelled, the 65th is not.
    std::string star;
    for (int i = 0; i < 65; ++i) {
        star += "\xE2\x98\x85";
    }
    const Log spelled = SoundsOf(TickWith("SN" + star));
    EXPECT_EQ(spelled.size(), 2U + 64U + 1U);
    EXPECT_EQ(spelled[2], "sync " + kDir + "\\\xE2\x98\x85.wav");
}

TEST_F(PassWatcherTest, EmptyNameAfterASatelliteIsAnnouncedWithoutSpelling)
{
    TickWith("SNAO-7");
    EXPECT_EQ(SoundsOf(TickWith("SN")), ChainFor({}));
    // The empty name again: stored "" equals it, nothing is played.
    EXPECT_EQ(SoundsOf(TickWith("X")), Log{});
}

TEST_F(PassWatcherTest, EveryChangeOfSatelliteIsAnnouncedAndCaseMatters)
{
    EXPECT_EQ(SoundsOf(TickWith("SNAO-7 AZ1")), ChainFor({"A.wav", "O.wav", "7.wav"}));
    EXPECT_EQ(SoundsOf(TickWith("SNISS AZ1")), ChainFor({"I.wav", "S.wav", "S.wav"}));
    EXPECT_EQ(SoundsOf(TickWith("SNAO-7 AZ2")), ChainFor({"A.wav", "O.wav", "7.wav"}));
    EXPECT_EQ(SoundsOf(TickWith("SNao-7 AZ2")), ChainFor({"a.wav", "o.wav", "7.wav"}));
}

TEST_F(PassWatcherTest, SatelliteLostAndSeenAgainIsAnnouncedAgain)
{
    for (const char* gap : {"** NO SATELLITE **", ""}) {
        TickWith("SNISS AZ1");
        EXPECT_EQ(SoundsOf(TickWith(gap)), Log{}) << gap;
        EXPECT_EQ(SoundsOf(TickWith("SNISS AZ2")), ChainFor({"I.wav", "S.wav", "S.wav"})) << gap;
    }
}

TEST_F(PassWatcherTest, FirstTickAfterStartWithNoLinkChangesNothing)
{
    EXPECT_EQ(TickWith(""), (Log{"timer off", "read mirror", "timer on"}));
    EXPECT_EQ(window.status, "Disconnected from SatPC32");
}

}  // namespace
}  // namespace korvane
