#pragma once

#include <string>

namespace korvane {

// The link mode of Label1.
enum class LinkMode : int {
    None = 0,       // no conversation
    Automatic = 1,  // hot link: the tracker sends the item's text with every change
};

// What the tracker link's handlers need of the main window and of the link bound to
// its hidden label Label1. The setters return false when the platform link fails.
class LinkWindow {
public:
    virtual ~LinkWindow() = default;

    // Replaces the whole caption of the status line Label3.
    virtual void SetStatusText(const std::string& text) = 0;
    // Replaces the whole caption of Label1, the mirror of the tracker's item.
    virtual void WriteMirror(const std::string& text) = 0;

    // "service|topic"; starts no conversation by itself.
    virtual bool SetLinkTopic(const std::string& topic) = 0;
    // The item's name; starts no conversation by itself.
    virtual bool SetLinkItem(const std::string& item) = 0;
    // Automatic opens the conversation with the topic and item set before and reports
    // whether it opened; None ends any open conversation.
    virtual bool SetLinkMode(LinkMode mode) = 0;
};

}  // namespace korvane
