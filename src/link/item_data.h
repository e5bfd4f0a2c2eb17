#pragma once

#include <cstddef>
#include <string>

namespace korvane {

// The text carried by one data message of the link: the bytes up to the first NUL,
// or all of them when there is none. Never reads past size bytes.
std::string TextFromItemData(const char* bytes, std::size_t size);

}  // namespace korvane
