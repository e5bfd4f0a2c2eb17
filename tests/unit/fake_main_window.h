#pragma once

#include <string>
#include <vector>

#include "app/quit.h"
#include "watch/sound_port.h"
#include "watch/watch_window.h"

namespace korvane::testing {

// Stands in for the main window and its link: every operation is written, in order,
// into one shared log as a short line ("timer off", "status <text>", "open <service> ...").
class FakeMainWindow : public WatchWindow, public AppWindow {
public:
    explicit FakeMainWindow(std::vector<std::string>& log) : log_(log) {}

    std::string mirror;
    std::string status = "Disconnected from SatPC32";
    bool linkOpens = true;

    std::string ReadMirror() const override;
    void SetStatusText(const std::string& text) override;
    void RepaintStatusNow() override;
    void SetTimerEnabled(bool enabled) override;
    void WriteMirror(const std::string& text) override;
    bool OpenLink(std::string_view service, std::string_view topic, std::string_view item) override;
    void CloseLink() override;
    void EndProgram() override;

private:
    std::vector<std::string>& log_;
};

// Stands in for the sound call: logs "sync <path>" or "async <path>".
class FakeSound : public SoundPort {
public:
    explicit FakeSound(std::vector<std::string>& log) : log_(log) {}

    std::string directory = "C:\\Ham Radio\\Korvane";
    int directoryQueries = 0;

    std::string ProgramDirectory() override;
    void Play(const std::string& path, PlayMode mode) override;

private:
    std::vector<std::string>& log_;
};

}  // namespace korvane::testing
