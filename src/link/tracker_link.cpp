#include "link/tracker_link.h"

#include <string>

#include "link/link_texts.h"

namespace korvane {

void OpenLink(LinkWindow& window)
{
    if (!window.OpenLink(kTrackerService, kTrackerTopic, kTrackerItem)) {
        window.SetStatusText(std::string(kOpenFailedText));
    }
}

void OnLinkOpened(LinkWindow& window)
{
    window.SetStatusText(std::string(kConnectedText));
}

void OnLinkClosed(LinkWindow& window)
{
    window.SetStatusText(std::string(kDisconnectedText));
    window.WriteMirror("");
}

}  // namespace korvane
