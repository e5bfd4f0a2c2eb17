#pragma once

#include <windows.h>

#include "watch/sound_port.h"
#include "windows/program_directory.h"
#include "windows/win32_handles.h"

namespace korvane::win32 {

// Plays WAV files with sndPlaySoundA from winmm.dll, which is loaded from the system folder
// at the first sound and never before, and stays loaded until the process ends: the last sound
// of a warning plays on in winmm's own thread after the call returns, also while the program
// quits, and code unloaded under it would crash. Without the library or the function there is
// silence. A synchronous sound plays on a thread of its own, while the window's thread answers
// what is sent to it and takes nothing else until the sound has ended.
// A program folder that the ANSI code page cannot name, and that has no short name, would
// give every sound a path with "?" in it: a path in that folder goes to sndPlaySoundW
// instead, with the folder as the system names it.
class WinmmSound final : public SoundPort {
public:
    std::string ProgramDirectory() override;
    void Play(const std::string& path, PlayMode mode) override;

private:
    using SndPlaySoundA = BOOL(WINAPI*)(LPCSTR, UINT);
    using SndPlaySoundW = BOOL(WINAPI*)(LPCWSTR, UINT);

    void LoadOnFirstUse();

    bool loadTried_ = false;
    SndPlaySoundA sndPlaySoundA_ = nullptr;
    SndPlaySoundW sndPlaySoundW_ = nullptr;
    ProgramDirectoryNames directory_;  // as last asked for, before the path that names it
};

}  // namespace korvane::win32
