#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvane {

// A link topic as Label1 holds it, "service|topic", split into its two names.
struct LinkTopic {
    std::string service;
    std::string topic;
};

// Splits at the first vertical bar; nothing when there is no bar or either name is empty.
std::optional<LinkTopic> ParseLinkTopic(std::string_view linkTopic);

}  // namespace korvane
