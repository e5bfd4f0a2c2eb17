#include "watch/pass_watcher.h"

#include "watch/tracker_item_text.h"
#include "watch/voice_announcer.h"
#include "watch/watch_status_texts.h"

namespace korvane {

void PassWatcher::Tick(WatchWindow& window, SoundPort& sound)
{
    window.SetTimerEnabled(false);
    WatchItemText(window, sound, window.ReadMirror());
    window.SetTimerEnabled(true);
}

void PassWatcher::WatchItemText(WatchWindow& window, SoundPort& sound, const std::string& itemText)
{
    if (itemText.empty()) {
        // No data: no link, or the link has closed. The status line keeps its text.
        previousSatellite_.clear();
        return;
    }
    if (StartsWithNoSatelliteMarker(itemText)) {
        window.SetStatusText(std::string(kNoneVisibleText));
        previousSatellite_.clear();
        return;
    }

    const std::string name = ExtractSatelliteName(itemText, characterLength_);
    window.SetStatusText(SatelliteVisibleText(name));
    // The announcement holds the thread, so the name must be on screen before it starts.
    window.RepaintStatusNow();
    if (previousSatellite_ != name) {
        AnnounceSatellite(sound, name, characterLength_);
    }
    previousSatellite_ = name;
}

}  // namespace korvane
