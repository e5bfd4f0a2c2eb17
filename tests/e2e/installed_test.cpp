// korvane.exe as the MSI installed it, run where it was installed: msi_install_check.sh sets
// KORVANE_E2E_INSTALLED and points KORVANE_E2E_KORVANE_EXE at the installed program. Without
// that variable the test is skipped.
#include <windows.h>

#include "e2e_fixture.h"

namespace korvane::e2e {
namespace {

bool InstalledRun()
{
    return GetEnvironmentVariableA("KORVANE_E2E_INSTALLED", nullptr, 0) != 0;
}

KorvaneApp::Surroundings InstalledSurroundings()
{
    KorvaneApp::Surroundings surroundings;
    surroundings.inPlace = InstalledRun();
    return surroundings;
}

class Installed : public KorvaneTest {
protected:
    Installed() : KorvaneTest(KorvaneApp::Options{}, InstalledSurroundings()) {}
};

TEST_F(Installed, SpeaksARisingSatelliteFromItsInstalledVoicePack)
{
    if (!InstalledRun()) {
        GTEST_SKIP() << "run by msi_install_check.sh";
    }
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    const auto chain = ChainFor("AO-7");
    const SoundLog sounds = app_.WaitForSoundCalls(chain.size());
    ASSERT_EQ(FilesAndFlags(sounds.calls), chain);
    ExpectAllInProgramFolder(sounds.calls);
    for (const auto& call : sounds.calls) {
        EXPECT_EQ(call.found, std::optional<bool>(true)) << call.path << " was not installed";
    }
    app_.Click(kQuitButton);
    EXPECT_TRUE(app_.WaitForExit(kSoon));
}

}  // namespace
}  // namespace korvane::e2e
