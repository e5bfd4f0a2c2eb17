#pragma once

#include <windows.h>

#include "watch/sound_port.h"
#include "windows/win32_handles.h"

namespace korvane::win32 {

// Plays WAV files with sndPlaySoundA from winmm.dll, which is loaded from the system folder
// at the first sound and never before. Without the library or the function there is silence.
class WinmmSound final : public SoundPort {
public:
    std::string ProgramDirectory() override;
    void Play(const std::string& path, PlayMode mode) override;

private:
    using SndPlaySoundA = BOOL(WINAPI*)(LPCSTR, UINT);

    SndPlaySoundA LoadOnFirstUse();

    bool loadTried_ = false;
    UniqueModule winmm_;
    SndPlaySoundA sndPlaySound_ = nullptr;
};

}  // namespace korvane::win32
