#pragma once

#include <string>
#include <string_view>

#include "watch/characters.h"

namespace korvane {

// SatPC32's marker for "no priority satellite above the horizon".
inline constexpr std::string_view kNoSatelliteMarker = "** NO SATELLITE **";

// True when the text starts with the marker (case-sensitive); what follows it is ignored.
bool StartsWithNoSatelliteMarker(std::string_view itemText);

// The reported satellite's name: the characters from position 3 (the first two are
// skipped, whatever they are) up to the first space or the end of the text.
// Empty for a text of fewer than three characters or with a space at position 3.
// Characters are counted as the code page cuts the text (a space is never part of another
// character, in any ANSI code page).
std::string ExtractSatelliteName(std::string_view itemText, CharacterLength length = SingleByteCharacterLength);

}  // namespace korvane
