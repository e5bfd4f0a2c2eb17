#include "windows/winmm_sound.h"

#include <string>

#include "windows/program_directory.h"

namespace korvane::win32 {
namespace {

// Loads a library of Windows from the system folder only. A bare name would be looked for in
// the program's own folder first, where anyone may have left a DLL of that name (a downloads
// folder, an unzipped copy). Windows 7 without its loader update does not know
// LOAD_LIBRARY_SEARCH_SYSTEM32 and says so with ERROR_INVALID_PARAMETER; the library is then
// named by its full path in the system folder.
HMODULE LoadSystemLibrary(const char* name)
{
    if (HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return module;
    }
    if (GetLastError() != ERROR_INVALID_PARAMETER) {
        return nullptr;
    }
    char folder[MAX_PATH];
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    const std::string path = std::string(folder, length) + "\\" + name;
    return LoadLibraryA(path.c_str());
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
