#pragma once

#include <cstddef>
#include <string_view>

namespace korvane {

// How many bytes the character that a non-empty text starts with takes in the system's ANSI code
// page: always one in a single-byte code page, one or two in a double-byte one (Japanese, Chinese,
// Korean), one to four in UTF-8. Never 0, and never more than the text holds.
using CharacterLength = std::size_t (*)(std::string_view text);

// One byte per character.
std::size_t SingleByteCharacterLength(std::string_view text);

// UTF-8: the length that the lead byte announces, where the continuation bytes are really there;
// a byte that starts no well-formed sequence stands alone.
std::size_t Utf8CharacterLength(std::string_view text);

// The text without its first count characters (all of it gone when it has fewer).
std::string_view DropCharacters(std::string_view text, std::size_t count, CharacterLength length);

// The first character of a non-empty text, and the rest after it.
struct FirstCharacter {
    std::string_view character;
    std::string_view rest;
};
FirstCharacter TakeCharacter(std::string_view text, CharacterLength length);

}  // namespace korvane
