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
    ScriptPlayer(TrackerServer& server, EventLog& log, bool exitAtEnd, bool ddeml);
    ScriptPlayer(const ScriptPlayer&) = delete;
    ScriptPlayer& operator=(const ScriptPlayer&) = delete;

    bool MakeWindow(HINSTANCE instance);
    HWND Window() const { return window_; }

    // A line read from standard input: parsed now, reported and skipped if bad.
    void AddInputLine(const std::string& line);
    // A command already checked (from a --script file).
    void AddCommand(std::string line, Command command);
    void EndOfInput();

private:
    enum class State { Running, Waiting, Storming, Terminating, Done };
    struct Pending {
        std::string line;
        Command command;
    };

    friend LRESULT CALLBACK korvane::win32::OwnedWindowProc<ScriptPlayer>(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    void Execute(const Pending& p);
    void BeginTerminate(bool thenQuit);
    void OnTerminateProgress();
    void FinishTerminate();
    void Quit();
    void StormStep();

    TrackerServer& server_;
    EventLog& log_;
    bool exitAtEnd_;
    bool ddeml_;  // lines from standard input are checked for a DDEML server
    HWND window_ = nullptr;
    std::deque<Pending> pending_;
    bool inputEnded_ = false;
    bool endReported_ = false;
    bool quitAfterTerminate_ = false;
    State state_ = State::Running;

    struct Storm {
        std::string text;
        unsigned milliseconds = 0;
        unsigned perSecond = 0;
        ULONGLONG started = 0;
        unsigned long long sent = 0;
    } storm_;
};

}  // namespace standin
