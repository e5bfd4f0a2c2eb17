// Sound that goes wrong: no winmm.dll to be had, the program's folder named with spaces and
// characters in or outside the ANSI code page, and (with sound_faults_check.py, which records
// the sound device) WAV files that are missing, empty, truncated or not WAV files at all.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "driver/process_probe.h"
#include "driver/test_paths.h"
#include "driver/wait_until.h"
#include "driver/wide_text.h"
#include "e2e_fixture.h"
#include "fault_fixture.h"
#include "link/link_texts.h"
#include "watch/watch_status_texts.h"

namespace korvane::e2e {
namespace {

constexpr std::chrono::milliseconds kTick{1300};

std::wstring LongPath(const std::wstring& path)
{
    std::wstring buffer(32768, L'\0');
    const DWORD length = GetLongPathNameW(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) {
        return path;
    }
    buffer.resize(length);
    return buffer;
}

bool SameFolder(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// A file of a few bytes under each name that the warning for name uses.
void PutSoundFiles(const std::wstring& folder, const std::string& name)
{
    for (const auto& [file, flags] : ChainFor(name)) {
        std::ofstream(std::filesystem::path(folder) / file, std::ios::binary) << "RIFF";
    }
}

class SoundFaults : public FaultTest {
protected:
    using FaultTest::FaultTest;

    // Reports the satellite and checks that every sound of its warning was found, under a path
    // that leads to the program's own folder.
    void ExpectEveryFileFound(const std::string& name)
    {
        PutSoundFiles(app_.ExeFolderWide(), name);
        StartTracker();
        ASSERT_NO_FATAL_FAILURE(Link());
        ASSERT_NO_FATAL_FAILURE(Report(name));
        const SoundLog sounds = app_.WaitForSoundCalls(ChainFor(name).size());
        ASSERT_EQ(FilesAndFlags(sounds.calls), ChainFor(name));
        for (const auto& call : sounds.calls) {
            SCOPED_TRACE(call.path);
            ASSERT_TRUE(call.found.has_value()) << "the sound library did not look the file up";
            EXPECT_TRUE(*call.found) << "not found";
            const std::string folder = call.path.substr(0, call.path.find_last_of('\\'));
            EXPECT_TRUE(SameFolder(LongPath(Wide(folder)), app_.ExeFolderWide()))
                << "leads to " << Utf8(LongPath(Wide(folder))) << ", not to " << Utf8(app_.ExeFolderWide());
        }
        std::printf("program in \"%s\": sounds played from \"%s\"\n", Utf8(app_.ExeFolderWide()).c_str(),
                    sounds.calls.front().path.c_str());
    }
};

class SoundFaultsWithoutWinmm : public SoundFaults {
protected:
    static KorvaneApp::Surroundings Disabled()
    {
        KorvaneApp::Surroundings surroundings;
        surroundings.winmmLoadOrder = "";  // neither the fake beside it nor Wine's own: loading fails
        return surroundings;
    }
    SoundFaultsWithoutWinmm() : SoundFaults(KorvaneApp::Options{}, Disabled()) {}
};

TEST_F(SoundFaultsWithoutWinmm, WarningIsSilentAndTheProgramGoesOnAsBefore)
{
    StartTracker();
    ASSERT_NO_FATAL_FAILURE(Link());
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    std::this_thread::sleep_for(kTick);
    EXPECT_TRUE(app_.Process().IsRunning());
    EXPECT_EQ(app_.Status(), SatelliteVisibleText("AO-7"));
    const SoundLog sounds = app_.Sounds();
    EXPECT_TRUE(sounds.attachMs.empty()) << "winmm.dll was loaded all the same";
    EXPECT_TRUE(sounds.calls.empty());
    EXPECT_TRUE(PingMs(app_.Window(), 1000).has_value());

    // Later warnings, the waiting text and the link's own texts all go on as before.
    ASSERT_NO_FATAL_FAILURE(Report("FO-29"));
    tracker_->Send("set ** NO SATELLITE **");
    ASSERT_TRUE(app_.WaitForStatus(std::string(kNoneVisibleText), kSoon)) << app_.Status();
    ASSERT_NO_FATAL_FAILURE(Report("AO-7"));
    tracker_->Send("terminate");
    ASSERT_TRUE(app_.WaitForStatus(std::string(kDisconnectedText), kSoon)) << app_.Status();
    EXPECT_TRUE(app_.Sounds().attachMs.empty());
    app_.Click(kQuitButton);
    EXPECT_TRUE(app_.WaitForExit(kSoon));
}

KorvaneApp::Surroundings InFolder(const std::wstring& name)
{
    KorvaneApp::Surroundings surroundings;
    surroundings.subfolder = name;
    return surroundings;
}

KorvaneApp::Options ShortSounds()
{
    KorvaneApp::Options options;
    options.holdMs = 20;
    return options;
}

class SoundFaultsInAnAnsiFolder : public SoundFaults {
protected:
    SoundFaultsInAnAnsiFolder() : SoundFaults(ShortSounds(), InFolder(L"Ham Radio T\u00f6\u00f6ls")) {}
};

TEST_F(SoundFaultsInAnAnsiFolder, FolderWithSpacesAndUmlautsStillFindsTheFiles)
{
    ExpectEveryFileFound("AO-7");
    // Representable in the code page: the long name itself is used.
    const std::string path = app_.Sounds().calls.front().path;
    EXPECT_EQ(FileNameOf(path.substr(0, path.rfind('\\'))), "Ham Radio T\xf6\xf6ls");
}

class SoundFaultsInAGreekFolder : public SoundFaults {
protected:
    // Greek letters have no place in code page 1252.
    SoundFaultsInAGreekFolder()
        : SoundFaults(ShortSounds(),
                      InFolder(L"Ham \u03a1\u03b1\u03b4\u03b9\u03bf \u03a3\u03c4\u03b1\u03b8\u03bc\u03cc\u03c2"))
    {
    }
};

TEST_F(SoundFaultsInAGreekFolder, FolderOutsideTheCodePageStillFindsTheFiles)
{
    ExpectEveryFileFound("AO-7");
}

class SoundFaultsInACyrillicFolder : public SoundFaults {
protected:
    SoundFaultsInACyrillicFolder()
        : SoundFaults(ShortSounds(), InFolder(L"\u0420\u0430\u0434\u0438\u043e \u0422\u04e7\u04e7\u043b\u0441"))
    {
    }
};

TEST_F(SoundFaultsInACyrillicFolder, CyrillicFolderStillFindsTheFiles)
{
    ExpectEveryFileFound("SO-50");
}

class SoundFaultsInADeepFolder : public SoundFaults {
protected:
    // A zip unpacked into a folder of its own name on a synchronised desktop, say.
    SoundFaultsInADeepFolder()
        : SoundFaults(ShortSounds(), InFolder(L"OneDrive - Amateur Radio Club of the Upper Valley, Desktop, "
                                              L"korvane-1.0.0-win64, korvane-1.0.0-win64"))
    {
    }
};

TEST_F(SoundFaultsInADeepFolder, EveryFileIsNamedToTheSoundLibraryInUnder128Bytes)
{
    ASSERT_GT(Utf8(app_.ExeFolderWide()).size() + std::string("\\satellite.wav").size(), 130u);
    ExpectEveryFileFound("AO-7");
    for (const auto& call : app_.Sounds().calls) {
        EXPECT_LT(call.path.size(), 128u) << call.path;
    }
}

// Driven by sound_faults_check.py, which puts the sound files into KORVANE_E2E_FAULT_SOUND_DIR
// and records the sound device. The satellite's name comes in KORVANE_E2E_FAULT_NAME.
std::string Env(const char* name)
{
    char buffer[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return length == 0 || length >= sizeof buffer ? std::string() : std::string(buffer, length);
}

void CopyWavFiles(const std::string& from, const std::wstring& to)
{
    for (const auto& entry : std::filesystem::directory_iterator(from)) {
        if (entry.path().extension() == ".wav") {
            std::filesystem::copy_file(entry.path(), std::filesystem::path(to) / entry.path().filename());
        }
    }
}

// Tells the recorder that the warning has begun, waits for it to finish, and checks that the
// program came through it.
void FinishForTheRecorder(KorvaneApp& app, const std::string& dir, const std::string& name)
{
    std::ofstream(dir + "\\reported");
    const bool done = WaitUntil([&] { return GetFileAttributesA((dir + "\\done").c_str()) != INVALID_FILE_ATTRIBUTES; },
                                std::chrono::milliseconds(30000), std::chrono::milliseconds(50));
    EXPECT_TRUE(done) << "the recorder never finished";
    EXPECT_TRUE(app.Process().IsRunning()) << "the program did not survive the warning";
    EXPECT_EQ(app.Status(), SatelliteVisibleText(name));
    EXPECT_TRUE(PingMs(app.Window(), 1000).has_value());
    app.Click(kQuitButton);
    EXPECT_TRUE(app.WaitForExit(kSoon));
}

class DeviceSoundFaults : public SoundFaults {
protected:
    static KorvaneApp::Options RealWinmm()
    {
        KorvaneApp::Options options;
        options.fakeSound = false;
        options.holdMs = 0;
        return options;
    }
    static KorvaneApp::Surroundings Available(bool available)
    {
        KorvaneApp::Surroundings surroundings;
        if (!available) {
            surroundings.winmmLoadOrder = "";
        }
        return surroundings;
    }
    explicit DeviceSoundFaults(bool available = true) : SoundFaults(RealWinmm(), Available(available)) {}

    // The whole test: the sound files from the recorder's folder beside the program, the
    // satellite reported, and the recorder told when the warning has begun.
    void AnnounceForTheRecorder()
    {
        const std::string dir = Env("KORVANE_E2E_FAULT_SOUND_DIR");
        const std::string name = Env("KORVANE_E2E_FAULT_NAME");
        if (dir.empty() || name.empty()) {
            GTEST_SKIP() << "run by sound_faults_check.py";
        }
        CopyWavFiles(dir, app_.ExeFolderWide());
        StartTracker();
        ASSERT_NO_FATAL_FAILURE(Link());
        ASSERT_NO_FATAL_FAILURE(Report(name));
        FinishForTheRecorder(app_, dir, name);
    }
};

TEST_F(DeviceSoundFaults, BadFilesAreSkippedAndTheChainGoesOn)
{
    AnnounceForTheRecorder();
}

class DeviceSoundFaultsWithoutWinmm : public DeviceSoundFaults {
protected:
    DeviceSoundFaultsWithoutWinmm() : DeviceSoundFaults(false) {}
};

TEST_F(DeviceSoundFaultsWithoutWinmm, NothingIsHeard)
{
    AnnounceForTheRecorder();
}

}  // namespace
}  // namespace korvane::e2e
