#pragma once
// Runs script commands one after another on the window thread. Waits, repeats and the
// wait for TERMINATE replies are timers, so DDE messages keep being served meanwhile.
#include <windows.h>

#include <deque>
#include <string>

#include "event_log.h"
#include "script_command.h"
#include "tracker_server.h"
#include "windows/owned_window.h"

namespace standin {

// Posted to the player's window by the thread that reads standard input.
inline constexpr UINT kScriptLineMessage = WM_APP + 1;  // lParam: new std::string*, owned by the receiver
inline constexpr UINT kScriptEndMessage = WM_APP + 2;

class ScriptPlayer {
public:
    ScriptPlayer(TrackerServer& server, EventLog& log, bool exit_at_end, bool ddeml);
    ScriptPlayer(const ScriptPlayer&) = delete;
    ScriptPlayer& operator=(const ScriptPlayer&) = delete;

    bool create_window(HINSTANCE instance);
    HWND window() const { return window_; }

    // A line read from standard input: parsed now, reported and skipped if bad.
    void add_input_line(const std::string& line);
    // A command already checked (from a --script file).
    void add_command(std::string line, Command command);
    void end_of_input();

private:
    enum class State { Running, Waiting, Storming, Terminating, Done };
    struct Pending {
        std::string line;
        Command command;
    };

    friend LRESULT CALLBACK korvane::win32::OwnedWindowProc<ScriptPlayer>(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void run();
    void execute(const Pending& p);
    void begin_terminate(bool then_quit);
    void on_terminate_progress();
    void finish_terminate();
    void quit();
    void storm_step();

    TrackerServer& server_;
    EventLog& log_;
    bool exit_at_end_;
    bool ddeml_;  // lines from standard input are checked for a DDEML server
    HWND window_ = nullptr;
    std::deque<Pending> pending_;
    bool input_ended_ = false;
    bool end_reported_ = false;
    bool quit_after_terminate_ = false;
    State state_ = State::Running;

    struct Storm {
        std::string text;
        unsigned milliseconds = 0;
        unsigned per_second = 0;
        ULONGLONG started = 0;
        unsigned long long sent = 0;
    } storm_;
};

}  // namespace standin
