#include "windows/winmm_sound.h"

#include <process.h>

#include <string>

#include "windows/message_wait.h"
#include "windows/wine_quirks.h"

namespace korvane::win32 {
namespace {

// One call of winmm's sound function, by the ANSI path or, where that does not lead to the file,
// by the wide one.
struct SoundCall {
    BOOL(WINAPI* playAnsi)(LPCSTR, UINT) = nullptr;
    BOOL(WINAPI* playWide)(LPCWSTR, UINT) = nullptr;
    std::string ansiPath;
    std::wstring widePath;
    UINT flags = 0;

    void Run() const
    {
        // The result is not examined: a file that cannot be played does not stop the chain.
        if (playWide != nullptr) {
            playWide(widePath.c_str(), flags);
        } else if (playAnsi != nullptr) {
            playAnsi(ansiPath.c_str(), flags);
        }
    }
};

unsigned __stdcall RunSoundCall(void* call)
{
    static_cast<SoundCall*>(call)->Run();
    return 0;
}

// Runs a synchronous sound on a thread of its own and waits for its end, answering meanwhile
// what other programs send to the window: a sound holds the window's thread for its length, a
// warning for several seconds, and Windows would count a thread that long without a look at its
// queue as hung, and hold every program's message to it until the end.
void RunHoldingTheThread(SoundCall& call)
{
    const UniqueKernelHandle player(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RunSoundCall, &call, 0, nullptr)));
    if (!player) {
        call.Run();  // no thread to be had: the sound holds this one
        return;
    }
    WaitAnsweringSentMessages(player.Get());
}

// winmm opens a sound file through mmio, which takes a file name of at most 128 bytes with its
// NUL: in a deep folder, or one of a long name, the file is named through the folder's short form.
// A volume that keeps no short names has none to give, and the long path goes as it is.
void NameWithinWinmmsBound(SoundCall& call, const ProgramDirectoryNames& folder, const std::string& fileName)
{
    constexpr std::size_t kWinmmPathMax = 127;
    const bool tooLong =
        call.playWide != nullptr ? call.widePath.size() > kWinmmPathMax : call.ansiPath.size() > kWinmmPathMax;
    if (!tooLong) {
        return;
    }
    const ShortPathNames shortFolder = ShortPathOf(folder.wide);
    if (!shortFolder.ansi.empty() && shortFolder.ansi.size() + fileName.size() <= kWinmmPathMax) {
        call.ansiPath = shortFolder.ansi + fileName;
        call.playWide = nullptr;
    } else if (call.playWide != nullptr) {
        call.widePath = shortFolder.wide + WideFromAnsi(fileName);
    }
}

}  // namespace

std::string WinmmSound::ProgramDirectory()
{
    directory_ = FindProgramDirectory();
    return directory_.ansi;
}

void WinmmSound::Play(const std::string& path, PlayMode mode)
{
    LoadOnFirstUse();
    SoundCall call{.playAnsi = sndPlaySoundA_,
                   .playWide = nullptr,
                   .ansiPath = path,
                   .widePath = {},
                   .flags = static_cast<UINT>(mode)};
    if (path.starts_with(directory_.ansi)) {
        const std::string fileName = path.substr(directory_.ansi.size());  // with its backslash
        if (!directory_.exact && sndPlaySoundW_ != nullptr) {
            call.playWide = sndPlaySoundW_;
            call.widePath = directory_.wide + WideFromAnsi(fileName);
        }
        NameWithinWinmmsBound(call, directory_, fileName);
    }
    if (mode == PlayMode::Synchronous) {
        RunHoldingTheThread(call);
    } else {
        call.Run();
    }
}

void WinmmSound::LoadOnFirstUse()
{
    if (!loadTried_) {
        loadTried_ = true;
        const HMODULE winmm = LoadSystemLibrary("winmm.dll");
        HMODULE pinned = nullptr;
        if (winmm != nullptr) {
            // No FreeLibrary, by anyone, unloads it from here on: the handle is never kept to free.
            GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                               reinterpret_cast<LPCSTR>(winmm), &pinned);
        }
        sndPlaySoundA_ = FunctionOf<SndPlaySoundA>(winmm, "sndPlaySoundA");
        sndPlaySoundW_ = FunctionOf<SndPlaySoundW>(winmm, "sndPlaySoundW");
    }
}

}  // namespace korvane::win32
