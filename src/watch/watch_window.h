#pragma once

#include <string>

namespace korvane {

// What the pass watcher needs of the main window.
class WatchWindow {
public:
    virtual ~WatchWindow() = default;

    // The text of the hidden mirror: the tracker's latest item text, or "".
    virtual std::string ReadMirror() const = 0;
    // Replaces the whole text of the status line.
    virtual void SetStatusText(const std::string& text) = 0;
    // Draws the status line with its current caption before returning.
    virtual void RepaintStatusNow() = 0;
    // Stops or restarts the watch timer; restarting begins a full new interval.
    virtual void SetTimerEnabled(bool enabled) = 0;
};

}  // namespace korvane
