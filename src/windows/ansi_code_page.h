#pragma once

#include <cstddef>
#include <string_view>

namespace korvane::win32 {

// How many bytes the character that a non-empty text starts with takes in the system's ANSI code
// page: one in a single-byte code page, one or two in a double-byte one (Japanese, Chinese,
// Korean), one to four with UTF-8 as the ANSI code page.
std::size_t AnsiCharacterLength(std::string_view text);

}  // namespace korvane::win32
