#pragma once

#include "link/link_window.h"

namespace korvane {

// Click of "Link to SatPC32": sets topic, item and automatic mode on Label1; any
// failure shows the failure text, undoes nothing and is not retried.
void OpenLink(LinkWindow& window);

// The link of Label1 has opened. The link is always accepted: refuse is left as it is.
void OnLinkOpened(LinkWindow& window, bool& refuse);

// The link of Label1 has closed: reports it and empties the mirror, so that the pass
// watcher forgets the satellite it saw.
void OnLinkClosed(LinkWindow& window);

// Run by Quit: ends the conversation, whether or not one is open.
void CloseLink(LinkWindow& window);

}  // namespace korvane
