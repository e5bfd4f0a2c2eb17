#include "link/item_data.h"

#include <cstring>

namespace korvane {

std::string TextFromItemData(const char* bytes, std::size_t size)
{
    if (bytes == nullptr || size == 0) {
        return {};
    }
    const void* nul = std::memchr(bytes, '\0', size);
    const std::size_t length = nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size;
    return std::string(bytes, length);
}

}  // namespace korvane
