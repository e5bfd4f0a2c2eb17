#pragma once

#include "link/link_window.h"

namespace korvane {

// Click of "Link to SatPC32": opens the link to the tracker's item. A link that does not open
// shows the failure text, changes nothing else and is not retried.
void OpenLink(LinkWindow& window);

// The link has opened.
void OnLinkOpened(LinkWindow& window);

// The link has closed: reports it and empties the mirror, so that the pass watcher forgets
// the satellite it saw.
void OnLinkClosed(LinkWindow& window);

}  // namespace korvane
