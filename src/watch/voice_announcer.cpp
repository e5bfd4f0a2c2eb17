#include "watch/voice_announcer.h"

#include <string_view>

namespace korvane {
namespace {

// The directory is asked for again before each sound; nothing is cached.
void PlayFromProgramDirectory(SoundPort& sound, const std::string& fileWithBackslash, PlayMode mode)
{
    sound.Play(sound.ProgramDirectory() + fileWithBackslash, mode);
}

bool IsSilent(char ch)
{
    return ch == '-' || ch == '/';
}

}  // namespace

void AnnounceSatellite(SoundPort& sound, const std::string& name)
{
    PlayFromProgramDirectory(sound, "\\bell.wav", PlayMode::Synchronous);
    PlayFromProgramDirectory(sound, "\\satellite.wav", PlayMode::Synchronous);
    for (const char ch : std::string_view(name).substr(0, kSpelledCharactersMax)) {
        if (!IsSilent(ch)) {
            PlayFromProgramDirectory(sound, std::string("\\") + ch + ".wav", PlayMode::Synchronous);
        }
    }
    PlayFromProgramDirectory(sound, "\\IsRising.wav", PlayMode::Asynchronous);
}

}  // namespace korvane
