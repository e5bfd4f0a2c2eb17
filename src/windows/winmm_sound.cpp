#include "windows/winmm_sound.h"

#include <string>

#include "windows/wine_quirks.h"

namespace korvane::win32 {

std::string WinmmSound::ProgramDirectory()
{
    directory_ = FindProgramDirectory();
    return directory_.ansi;
}

void WinmmSound::Play(const std::string& path, PlayMode mode)
{
    LoadOnFirstUse();
    // The result is not examined: a file that cannot be played does not stop the chain.
    const auto flags = static_cast<UINT>(mode);
    if (!directory_.exact && sndPlaySoundW_ != nullptr && path.starts_with(directory_.ansi)) {
        sndPlaySoundW_((directory_.wide + WideFromAnsi(path.substr(directory_.ansi.size()))).c_str(), flags);
    } else if (sndPlaySoundA_ != nullptr) {
        sndPlaySoundA_(path.c_str(), flags);
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
