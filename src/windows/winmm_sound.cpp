#include "windows/winmm_sound.h"

#include <string>

#include "windows/program_directory.h"
#include "windows/wine_quirks.h"

namespace korvane::win32 {

std::string WinmmSound::ProgramDirectory()
{
    return ProgramDirectoryAnsi();
}

void WinmmSound::Play(const std::string& path, PlayMode mode)
{
    if (const SndPlaySoundA play = LoadOnFirstUse()) {
        // The result is not examined: a file that cannot be played does not stop the chain.
        play(path.c_str(), static_cast<UINT>(mode));
    }
}

WinmmSound::SndPlaySoundA WinmmSound::LoadOnFirstUse()
{
    if (!loadTried_) {
        loadTried_ = true;
        winmm_.Reset(LoadSystemLibrary("winmm.dll"));
        sndPlaySound_ = FunctionOf<SndPlaySoundA>(winmm_.Get(), "sndPlaySoundA");
    }
    return sndPlaySound_;
}

}  // namespace korvane::win32
