#include "watch/voice_announcer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_main_window.h"

namespace korvane {
namespace {

using Log = std::vector<std::string>;

class VoiceAnnouncerTest : public ::testing::Test {
protected:
    Log Announce(const std::string& name)
    {
        log.clear();
        AnnounceSatellite(sound, name);
        return log;
    }

    Log log;
    testing::FakeSound sound{log};
};

TEST_F(VoiceAnnouncerTest, SpellsTheNameBetweenBellSatelliteAndIsRisingSilencingDashAndSlash)
{
    sound.directory = "D:\\K";
    const Log expected{"sync D:\\K\\bell.wav",     "sync D:\\K\\satellite.wav", "sync D:\\K\\A.wav",
                       "sync D:\\K\\O.wav",        "sync D:\\K\\7.wav",         "sync D:\\K\\X.wav",
                       "async D:\\K\\IsRising.wav"};
    EXPECT_EQ(Announce("AO-7/X"), expected);
    EXPECT_EQ(Announce("-/-/"),
              (Log{"sync D:\\K\\bell.wav", "sync D:\\K\\satellite.wav", "async D:\\K\\IsRising.wav"}));
}

TEST_F(VoiceAnnouncerTest, EmptyNamePlaysOnlyTheFixedSounds)
{
    sound.directory = "C:";
    EXPECT_EQ(Announce(""), (Log{"sync C:\\bell.wav", "sync C:\\satellite.wav", "async C:\\IsRising.wav"}));
}

TEST_F(VoiceAnnouncerTest, RepeatedAndOddCharactersAreSpelledAsTheyStand)
{
    sound.directory = "C:";
    const Log expected{"sync C:\\bell.wav", "sync C:\\satellite.wav", "sync C:\\S.wav", "sync C:\\S.wav",
                       "sync C:\\s.wav",    "sync C:\\&.wav",         "sync C:\\..wav", "async C:\\IsRising.wav"};
    EXPECT_EQ(Announce("SSs&."), expected);
}

TEST_F(VoiceAnnouncerTest, SpellsOnlyTheFirst64CharactersOfAMegabyteName)
{
    sound.directory = "C:";
    EXPECT_EQ(Announce(std::string(63, '-') + "Z" + std::string(1 << 20, 'Q')),
              (Log{"sync C:\\bell.wav", "sync C:\\satellite.wav", "sync C:\\Z.wav", "async C:\\IsRising.wav"}));
}

TEST_F(VoiceAnnouncerTest, AsksForTheDirectoryBeforeEverySound)
{
    EXPECT_EQ(Announce("ISS").size(), 6U);
    EXPECT_EQ(sound.directoryQueries, 6);
}

}  // namespace
}  // namespace korvane
