#include "windows/winmm_sound.h"

#include <string>

#include "windows/program_directory.h"

namespace korvane::win32 {
namespace {

// Loads a library of Windows from the system folder only, named by its full path there. A bare
// name would be looked for in the program's own folder first, where anyone may have left a DLL
// of that name (a downloads folder, an unzipped copy); Wine 10 does so even when told to search
// the system folder alone. What the library itself loads comes from the system folder too:
// through LOAD_LIBRARY_SEARCH_SYSTEM32, or, on a Windows 7 without its loader update (which
// refuses that flag with ERROR_INVALID_PARAMETER), from the library's own folder.
HMODULE LoadSystemLibrary(const char* name)
{
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::string path = std::string(folder, length) + "\\" + name;
    if (HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return module;
    }
    if (GetLastError() != ERROR_INVALID_PARAMETER) {
        return nullptr;
    }
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

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
        if (winmm_) {
            // GetProcAddress returns a generic function pointer; this is the documented signature.
            sndPlaySound_ = reinterpret_cast<SndPlaySoundA>(
                reinterpret_cast<void*>(GetProcAddress(winmm_.Get(), "sndPlaySoundA")));
        }
    }
    return sndPlaySound_;
}

}  // namespace korvane::win32
