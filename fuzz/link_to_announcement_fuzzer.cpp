// Fuzzes the road of the tracker's data from the raw bytes of the link to the status
// line and the sound chain: link events are applied as the link handlers apply them,
// then a timer tick runs the pass watcher, and what the tick did is checked against a
// small model of the watcher that is written out here on its own.
//
// Input: a sequence of link events separated by the byte 0x1E. Each event is followed
// by one tick. An event is
//   - empty (two separators in a row, or a leading/trailing separator): the link closed;
//   - 0x1F alone: nothing arrived, the tick sees the same mirror again;
//   - 0x1F followed by anything: the link opened (status "Connected to SatPC32");
//   - 0x1D followed by anything: a data message of zero bytes;
//   - anything else: one data message carrying exactly those bytes (NULs included).
// A file without any of these bytes is therefore a single data message, so a captured
// item text is a valid seed as it stands.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/item_data.h"
#include "link/tracker_link.h"
#include "watch/pass_watcher.h"
#include "watch/sound_port.h"
#include "watch/voice_announcer.h"
#include "watch/watch_window.h"

namespace {

constexpr unsigned char kEventSeparator = 0x1E;
constexpr unsigned char kControlEvent = 0x1F;
constexpr unsigned char kEmptyDataEvent = 0x1D;

const std::string kConnected = "Connected to SatPC32";
const std::string kDisconnected = "Disconnected from SatPC32";
const std::string kWaiting = "None of the priority satellites is currently visible. Waiting for the next one...";
const std::string kMarker = "** NO SATELLITE **";

// Two directories, handed out in turn, so that a chain that asks for the directory
// once and reuses it shows up in the paths.
const std::string kDirectories[2] = {"C:\\Ham Radio\\Korvane", "D:\\Korvane"};

enum class Kind { TimerOff, TimerOn, Status, Repaint, Directory, Play };

struct Step {
    Kind kind;
    std::string text;  // status text, directory, or path
    bool async = false;

    bool operator==(const Step&) const = default;
};

std::string Describe(const Step& step)
{
    switch (step.kind) {
        case Kind::TimerOff:
            return "timer off";
        case Kind::TimerOn:
            return "timer on";
        case Kind::Status:
            return "status [" + step.text + "]";
        case Kind::Repaint:
            return "repaint";
        case Kind::Directory:
            return "directory [" + step.text + "]";
        case Kind::Play:
            return std::string(step.async ? "async [" : "sync [") + step.text + "]";
    }
    return "?";
}

// The window and its link: keeps the two captions and logs what the handlers do to them.
class Window final : public korvane::WatchWindow, public korvane::LinkWindow {
public:
    std::string mirror;
    std::string status = kDisconnected;
    std::vector<Step> steps;

    std::string ReadMirror() const override { return mirror; }
    void SetStatusText(const std::string& text) override
    {
        status = text;
        steps.push_back({Kind::Status, text});
    }
    void RepaintStatusNow() override { steps.push_back({Kind::Repaint, {}}); }
    void SetTimerEnabled(bool enabled) override { steps.push_back({enabled ? Kind::TimerOn : Kind::TimerOff, {}}); }
    void WriteMirror(const std::string& text) override { mirror = text; }
    bool OpenLink(std::string_view, std::string_view, std::string_view) override { return true; }
    void CloseLink() override {}
};

// The sound call, logging into the window's log so that the order across both shows.
class Sound final : public korvane::SoundPort {
public:
    explicit Sound(std::vector<Step>& steps) : steps_(steps) {}

    std::string ProgramDirectory() override
    {
        const std::string& directory = kDirectories[queries_++ % 2];
        steps_.push_back({Kind::Directory, directory});
        return directory;
    }
    void Play(const std::string& path, korvane::PlayMode mode) override
    {
        steps_.push_back({Kind::Play, path, mode == korvane::PlayMode::Asynchronous});
    }

private:
    std::vector<Step>& steps_;
    std::size_t queries_ = 0;
};

// The model: what a tick must do, given the mirror and the name of the previous tick.
struct Expectation {
    std::vector<Step> steps;  // without the directory queries
    std::string status;
    std::string previous;
};

Expectation Expect(const std::string& mirror, const std::string& previous, const std::string& status)
{
    Expectation e{{{Kind::TimerOff, {}}}, status, ""};
    if (mirror.empty()) {
        e.steps.push_back({Kind::TimerOn, {}});
        return e;
    }
    bool marker = mirror.size() >= kMarker.size();
    for (std::size_t i = 0; marker && i < kMarker.size(); ++i) {
        marker = mirror[i] == kMarker[i];
    }
    if (marker) {
        e.status = kWaiting;
        e.steps.push_back({Kind::Status, kWaiting});
        e.steps.push_back({Kind::TimerOn, {}});
        return e;
    }
    std::string name;
    for (std::size_t i = 2; i < mirror.size() && mirror[i] != ' '; ++i) {
        name += mirror[i];
    }
    e.status = "Satellite " + name + " is currently visible";
    e.steps.push_back({Kind::Status, e.status});
    e.steps.push_back({Kind::Repaint, {}});
    if (name != previous) {
        // Directory left empty: filled in from the query that precedes each sound.
        e.steps.push_back({Kind::Play, "bell.wav"});
        e.steps.push_back({Kind::Play, "satellite.wav"});
        for (const char ch : name.substr(0, korvane::kSpelledCharactersMax)) {
            if (ch != '-' && ch != '/') {
                e.steps.push_back({Kind::Play, std::string(1, ch) + ".wav"});
            }
        }
        e.steps.push_back({Kind::Play, "IsRising.wav", true});
    }
    e.steps.push_back({Kind::TimerOn, {}});
    e.previous = name;
    return e;
}

[[noreturn]] void Fail(const char* what, const std::string& mirror, const std::vector<Step>& expected,
                       const std::vector<Step>& actual)
{
    std::fprintf(stderr, "\n*** %s\nmirror (%zu bytes): [%s]\nexpected:\n", what, mirror.size(), mirror.c_str());
    for (const Step& s : expected) {
        std::fprintf(stderr, "  %s\n", Describe(s).c_str());
    }
    std::fprintf(stderr, "actual:\n");
    for (const Step& s : actual) {
        std::fprintf(stderr, "  %s\n", Describe(s).c_str());
    }
    std::abort();
}

// Checks one tick's log against the model. Every sound must follow a query of the
// directory made after the previous sound, and its path must be that directory, a
// backslash and the file name.
void CheckTick(const Expectation& e, const std::vector<Step>& actual, const std::string& mirror)
{
    std::vector<Step> withoutQueries;
    std::string directory;
    bool queried = false;
    for (const Step& s : actual) {
        if (s.kind == Kind::Directory) {
            directory = s.text;
            queried = true;
            continue;
        }
        if (s.kind == Kind::Play) {
            const std::string prefix = directory + "\\";
            if (!queried || s.text.compare(0, prefix.size(), prefix) != 0) {
                Fail("sound not played from the directory just asked for", mirror, e.steps, actual);
            }
            queried = false;
            withoutQueries.push_back({Kind::Play, s.text.substr(prefix.size()), s.async});
            continue;
        }
        withoutQueries.push_back(s);
    }
    if (withoutQueries != e.steps) {
        Fail("tick did not do what the model expects", mirror, e.steps, actual);
    }
}

// The bytes of one data message as the model reads them: up to the first NUL.
std::string ModelText(const unsigned char* bytes, std::size_t size)
{
    std::string text;
    for (std::size_t i = 0; i < size && bytes[i] != 0; ++i) {
        text += static_cast<char>(bytes[i]);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A fresh start of the program: nothing seen yet, no link.
    korvane::PassWatcher watcher;
    Window window;
    Sound sound(window.steps);
    std::string modelMirror;
    std::string modelStatus = kDisconnected;
    std::string modelPrevious;

    std::size_t begin = 0;
    while (begin <= size) {
        std::size_t end = begin;
        while (end < size && data[end] != kEventSeparator) {
            ++end;
        }
        const std::uint8_t* event = data + begin;
        const std::size_t length = end - begin;

        if (length == 0) {
            korvane::OnLinkClosed(window);
            modelStatus = kDisconnected;
            modelMirror.clear();
        } else if (event[0] == kControlEvent) {
            if (length > 1) {
                korvane::OnLinkOpened(window);
                modelStatus = kConnected;
            }
        } else {
            const bool zeroBytes = event[0] == kEmptyDataEvent;
            const std::size_t messageSize = zeroBytes ? 0 : length;
            // A buffer of exactly the message's size, so that reading past it is caught.
            const std::unique_ptr<char[]> message(new char[messageSize]);
            for (std::size_t i = 0; i < messageSize; ++i) {
                message[i] = static_cast<char>(event[i]);
            }
            window.WriteMirror(korvane::TextFromItemData(message.get(), messageSize));
            modelMirror = ModelText(event, messageSize);
        }
        if (window.mirror != modelMirror) {
            Fail("mirror differs from the data message's text", modelMirror, {}, {});
        }
        if (window.status != modelStatus) {
            Fail("link handler left a wrong status", window.status, {}, {});
        }

        window.steps.clear();
        const Expectation expected = Expect(modelMirror, modelPrevious, modelStatus);
        watcher.Tick(window, sound);
        CheckTick(expected, window.steps, modelMirror);
        if (window.status != expected.status) {
            Fail("status line after the tick", window.status, expected.steps, window.steps);
        }
        if (window.mirror != modelMirror) {
            Fail("tick changed the mirror", window.mirror, expected.steps, window.steps);
        }
        modelStatus = expected.status;
        modelPrevious = expected.previous;

        begin = end + 1;
    }
    return 0;
}
