#pragma once

#include <cstddef>
#include <string>

#include "watch/characters.h"
#include "watch/sound_port.h"

namespace korvane {

// How many characters of a name are spelled at most. A satellite's name is far shorter; a
// tracker item of megabytes without a space must not hold the window for hours.
inline constexpr std::size_t kSpelledCharactersMax = 64;

// Speaks the warning for one satellite: bell, "satellite", the name's first
// kSpelledCharactersMax characters spelled out one by one ("-" and "/" are silent), "is
// rising". Returns once the synchronous sounds have ended, while "is rising" still plays.
// Each character, as the code page cuts the name, plays the file named by that character.
void AnnounceSatellite(SoundPort& sound, const std::string& name, CharacterLength length = SingleByteCharacterLength);

}  // namespace korvane
