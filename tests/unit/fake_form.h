#pragma once

#include <string>
#include <vector>

#include "app/form1_handlers.h"
#include "watch/sound_port.h"
#include "watch/watch_window.h"

namespace korvane::testing {

// Stands in for the main window and its link: every operation is written, in order,
// into one shared log as a short line ("timer off", "status <text>", "mode 1", ...).
class FakeForm : public WatchWindow, public AppWindow {
public:
    explicit FakeForm(std::vector<std::string>& log) : log_(log) {}

    std::string mirror;
    std::string status = "Disconnected from SatPC32";
    // Which link step fails: "topic", "item", "mode", or "" for none.
    std::string failingStep;

    std::string ReadMirror() const override;
    void SetStatusText(const std::string& text) override;
    void RepaintStatusNow() override;
    void SetTimerEnabled(bool enabled) override;
    void WriteMirror(const std::string& text) override;
    bool SetLinkTopic(const std::string& topic) override;
    bool SetLinkItem(const std::string& item) override;
    bool SetLinkMode(LinkMode mode) override;
    void EndProgram() override;

private:
    bool Record(const std::string& step, const std::string& line);

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
