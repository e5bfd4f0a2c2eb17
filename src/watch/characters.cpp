#include "watch/characters.h"

#include <algorithm>

namespace korvane {
namespace {

bool IsContinuationByte(unsigned char byte)
{
    return (byte & 0xC0U) == 0x80U;
}

// The sequence length a UTF-8 lead byte announces; 0 for a byte that leads none.
std::size_t AnnouncedLength(unsigned char lead)
{
    if (lead < 0x80U) {
        return 1;
    }
    if (lead >= 0xC2U && lead <= 0xDFU) {
        return 2;
    }
    if (lead >= 0xE0U && lead <= 0xEFU) {
        return 3;
    }
    if (lead >= 0xF0U && lead <= 0xF4U) {
        return 4;
    }
    return 0;
}

}  // namespace

std::size_t SingleByteCharacterLength(std::string_view /*text*/)
{
    return 1;
}

std::size_t Utf8CharacterLength(std::string_view text)
{
    const std::size_t announced = AnnouncedLength(static_cast<unsigned char>(text.front()));
    if (announced <= 1 || announced > text.size()) {
        return 1;
    }
    const bool whole = std::all_of(text.begin() + 1, text.begin() + static_cast<std::ptrdiff_t>(announced),
                                   [](char byte) { return IsContinuationByte(static_cast<unsigned char>(byte)); });
    return whole ? announced : 1;
}

FirstCharacter TakeCharacter(std::string_view text, CharacterLength length)
{
    const std::size_t bytes = std::clamp<std::size_t>(length(text), 1, text.size());
    return FirstCharacter{.character = text.substr(0, bytes), .rest = text.substr(bytes)};
}

std::string_view DropCharacters(std::string_view text, std::size_t count, CharacterLength length)
{
    for (; count > 0 && !text.empty(); --count) {
        text = TakeCharacter(text, length).rest;
    }
    return text;
}

}  // namespace korvane
