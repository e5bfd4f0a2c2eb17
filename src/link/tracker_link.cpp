#include "link/tracker_link.h"

#include <string>

#include "link/link_texts.h"

namespace korvane {

void OpenLink(LinkWindow& window)
{
    // Each step runs only while the ones before it succeeded; the first failure goes
    // straight to the failure text, and whatever was already set stays set.
    const bool opened = window.SetLinkTopic(std::string(kLinkTopic)) &&
                        window.SetLinkItem(std::string(kLinkItem)) &&
                        window.SetLinkMode(LinkMode::Automatic);
    if (!opened) {
        window.SetStatusText(std::string(kOpenFailedText));
    }
}

void OnLinkOpened(LinkWindow& window, bool& /*refuse*/)
{
    window.SetStatusText(std::string(kConnectedText));
}

void OnLinkClosed(LinkWindow& window)
{
    window.SetStatusText(std::string(kDisconnectedText));
    window.WriteMirror("");
}

void CloseLink(LinkWindow& window)
{
    window.SetLinkMode(LinkMode::None);
}

}  // namespace korvane
