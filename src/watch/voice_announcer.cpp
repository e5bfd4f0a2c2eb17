#include "watch/voice_announcer.h"

#include <string_view>

namespace korvane {
namespace {

// The directory is asked for again before each sound; nothing is cached.
void PlayFromProgramDirectory(SoundPort& sound, const std::string& fileWithBackslash, PlayMode mode)
{
    sound.Play(sound.ProgramDirectory() + fileWithBackslash, mode);
}

bool IsSilent(std::string_view character)
{
    return character == "-" || character == "/";
}

}  // namespace

void AnnounceSatellite(SoundPort& sound, const std::string& name, CharacterLength length)
{
    PlayFromProgramDirectory(sound, "\\bell.wav", PlayMode::Synchronous);
    PlayFromProgramDirectory(sound, "\\satellite.wav", PlayMode::Synchronous);
    std::string_view rest = name;
    for (std::size_t spelled = 0; spelled < kSpelledCharactersMax && !rest.empty(); ++spelled) {
        const FirstCharacter next = TakeCharacter(rest, length);
        if (!IsSilent(next.character)) {
            std::string file(1, '\\');
            file.append(next.character).append(".wav");
            PlayFromProgramDirectory(sound, file, PlayMode::Synchronous);
        }
        rest = next.rest;
    }
    PlayFromProgramDirectory(sound, "\\IsRising.wav", PlayMode::Asynchronous);
}

}  // namespace korvane
