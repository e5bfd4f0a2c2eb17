#include "watch/tracker_item_text.h"

namespace korvane {

bool StartsWithNoSatelliteMarker(std::string_view itemText)
{
    return itemText.substr(0, kNoSatelliteMarker.size()) == kNoSatelliteMarker;
}

std::string ExtractSatelliteName(std::string_view itemText, CharacterLength length)
{
    constexpr std::size_t kSkippedCharacters = 2;  // the name starts at position 3, counted from 1
    const std::string_view rest = DropCharacters(itemText, kSkippedCharacters, length);
    return std::string(rest.substr(0, rest.find(' ')));
}

}  // namespace korvane
