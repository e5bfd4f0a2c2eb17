#include "link/link_topic.h"

namespace korvane {

std::optional<LinkTopic> ParseLinkTopic(std::string_view linkTopic)
{
    const std::size_t bar = linkTopic.find('|');
    if (bar == std::string_view::npos || bar == 0 || bar + 1 == linkTopic.size()) {
        return std::nullopt;
    }
    return LinkTopic{std::string(linkTopic.substr(0, bar)), std::string(linkTopic.substr(bar + 1))};
}

}  // namespace korvane
