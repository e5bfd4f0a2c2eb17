#pragma once

#include <string>
#include <string_view>

namespace korvane {

// What the tracker link's handlers need of the main window and of its link to the tracker.
class LinkWindow {
public:
    virtual ~LinkWindow() = default;

    // Replaces the whole text of the status line.
    virtual void SetStatusText(const std::string& text) = 0;
    // Replaces the whole text of the mirror of the tracker's item.
    virtual void WriteMirror(const std::string& text) = 0;

    // Opens a conversation with the service on the topic and a hot link on the item: the
    // tracker then sends the item's text with every change. Reports whether it opened.
    virtual bool OpenLink(std::string_view service, std::string_view topic, std::string_view item) = 0;
    // Ends the conversation, if one is open.
    virtual void CloseLink() = 0;
};

}  // namespace korvane
