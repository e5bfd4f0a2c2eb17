// The warning through Wine's own winmm.dll and a real sound device. The test is one half of
// a pair: real_sound_check.py puts tone files into KORVANE_E2E_SOUND_DIR, records the sound
// device, and this test drives the program meanwhile. Without that variable the test is skipped.
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "driver/wait_until.h"
#include "e2e_fixture.h"

namespace korvane::e2e {
namespace {

std::string SoundDir()
{
    char buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("KORVANE_E2E_SOUND_DIR", buffer, sizeof buffer);
    return length == 0 || length >= sizeof buffer ? std::string() : std::string(buffer, length);
}

class RealSound : public KorvaneTest {
protected:
    RealSound() : KorvaneTest(KorvaneApp::Options{false, 0}) {}
};

TEST_F(RealSound, AnnouncesThroughTheSoundDevice)
{
    const std::string dir = SoundDir();
    if (dir.empty()) {
        GTEST_SKIP() << "run by real_sound_check.py";
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() == ".wav") {
            std::filesystem::copy_file(entry.path(), app_.Folder().File(entry.path().filename().string()));
        }
    }
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));

    // Tell the recorder that the warning has begun, then wait until it is done.
    std::ofstream(dir + "\\reported");
    const bool done = WaitUntil([&] { return GetFileAttributesA((dir + "\\done").c_str()) != INVALID_FILE_ATTRIBUTES; },
                                std::chrono::milliseconds(30000), std::chrono::milliseconds(50));
    EXPECT_TRUE(done) << "the recorder never finished";
    app_.Click(kQuitButton);
    EXPECT_TRUE(app_.WaitForExit(kSoon));
}

}  // namespace
}  // namespace korvane::e2e
