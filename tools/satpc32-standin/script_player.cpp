#include "script_player.h"

#include <algorithm>
#include <cstdio>

namespace standin {
namespace {

constexpr char kPlayerClass[] = "SatPC32StandinScript";
constexpr UINT_PTR kWaitTimer = 1;
constexpr UINT_PTR kTerminateTimer = 2;
constexpr UINT kTerminateReplyMs = 1000;
constexpr UINT_PTR kStormTimer = 3;
constexpr UINT kStormStepMs = 5;
constexpr unsigned long long kStormMaxPerStep = 2000;  // so that other messages get their turn
constexpr UINT_PTR kRepeatTimer = 4;

}  // namespace

ScriptPlayer::ScriptPlayer(TrackerServer& server, EventLog& log, bool exit_at_end, bool ddeml)
    : server_(server), log_(log), exit_at_end_(exit_at_end), ddeml_(ddeml) {
    server_.on_conversation_closed([this] { on_terminate_progress(); });
}

bool ScriptPlayer::create_window(HINSTANCE instance) {
    window_ = korvane::win32::CreateOwnedWindow(*this, instance, {.className = kPlayerClass});
    return window_ != nullptr;
}

LRESULT ScriptPlayer::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case kScriptLineMessage: {
        auto* line = reinterpret_cast<std::string*>(lparam);
        add_input_line(*line);
        delete line;
        return 0;
    }
    case kScriptEndMessage:
        end_of_input();
        return 0;
    case WM_TIMER:
        if (wparam == kRepeatTimer) {
            if (state_ != State::Done) server_.resend();
            return 0;
        }
        KillTimer(window, wparam);
        if (wparam == kWaitTimer && state_ == State::Waiting) {
            state_ = State::Running;
            run();
        } else if (wparam == kStormTimer && state_ == State::Storming) {
            storm_step();
        } else if (wparam == kTerminateTimer && state_ == State::Terminating) {
            finish_terminate();
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

void ScriptPlayer::add_input_line(const std::string& line) {
    ParsedLine parsed = parse_command(line, ddeml_);
    if (!parsed.ok) {
        log_.line("error " + parsed.error + ": " + line);
        return;
    }
    if (parsed.command.kind == CommandKind::Nothing) return;
    add_command(line, std::move(parsed.command));
}

void ScriptPlayer::add_command(std::string line, Command command) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    pending_.push_back({std::move(line), std::move(command)});
    run();
}

void ScriptPlayer::end_of_input() {
    input_ended_ = true;
    run();
}

void ScriptPlayer::run() {
    while (state_ == State::Running && !pending_.empty()) {
        const Pending next = std::move(pending_.front());
        pending_.pop_front();
        execute(next);
    }
    if (state_ == State::Running && pending_.empty() && input_ended_ && !end_reported_) {
        end_reported_ = true;
        log_.line("script end");
        if (exit_at_end_) begin_terminate(true);
    }
}

void ScriptPlayer::execute(const Pending& p) {
    const Command& c = p.command;
    log_.line("command " + p.line);
    switch (c.kind) {
    case CommandKind::Nothing: break;
    case CommandKind::Set:
    case CommandKind::SetHex: server_.set_value(c.payload); break;
    case CommandKind::Wait:
        state_ = State::Waiting;
        SetTimer(window_, kWaitTimer, c.milliseconds, nullptr);
        break;
    case CommandKind::Terminate: begin_terminate(false); break;
    case CommandKind::Exit:
        // As if the tracker crashed: no conversation is ended, no window is cleaned up.
        std::fflush(nullptr);
        TerminateProcess(GetCurrentProcess(), 0);
        break;
    case CommandKind::Quit: begin_terminate(true); break;
    case CommandKind::Refuse: server_.set_refuse(c.refuse); break;
    case CommandKind::Advise: server_.set_advise_mode(c.advise); break;
    case CommandKind::Hang:
        Sleep(c.milliseconds);
        log_.line("hang over");
        break;
    case CommandKind::Format: server_.set_format(c.format); break;
    case CommandKind::SetFill: server_.set_value(c.payload); break;
    case CommandKind::RawData: server_.send_raw(c.payload, c.null_block); break;
    case CommandKind::Repeat:
        if (c.milliseconds == 0) KillTimer(window_, kRepeatTimer);
        else SetTimer(window_, kRepeatTimer, c.milliseconds, nullptr);
        break;
    case CommandKind::Storm:
        storm_ = Storm{c.payload, c.milliseconds, c.count, GetTickCount64(), 0};
        state_ = State::Storming;
        storm_step();
        break;
    }
}

void ScriptPlayer::storm_step() {
    // Sends every change that is due by now at the storm's rate, a bounded batch at a time;
    // the timer brings the next batch, and DDE messages are served in between.
    const ULONGLONG elapsed = GetTickCount64() - storm_.started;
    const bool over = elapsed >= storm_.milliseconds;
    const ULONGLONG until = over ? storm_.milliseconds : elapsed;
    const unsigned long long due = std::max<unsigned long long>(1, until * storm_.per_second / 1000);
    unsigned long long batch = 0;
    while (storm_.sent < due && (over || batch < kStormMaxPerStep)) {
        server_.set_value(storm_text(storm_.text, ++storm_.sent), false);
        ++batch;
    }
    if (!over) {
        SetTimer(window_, kStormTimer, kStormStepMs, nullptr);
        return;
    }
    log_.line("storm over " + std::to_string(storm_.sent) + " changes in " + std::to_string(elapsed) + " ms");
    state_ = State::Running;
    run();
}

void ScriptPlayer::begin_terminate(bool then_quit) {
    quit_after_terminate_ = then_quit;
    state_ = State::Terminating;
    if (server_.terminate_all() == 0) {
        finish_terminate();
        return;
    }
    SetTimer(window_, kTerminateTimer, kTerminateReplyMs, nullptr);
}

void ScriptPlayer::on_terminate_progress() {
    if (state_ == State::Terminating && server_.awaiting_terminate_reply() == 0) finish_terminate();
}

void ScriptPlayer::finish_terminate() {
    state_ = State::Running;  // first, so that the drops below do not come back here
    KillTimer(window_, kTerminateTimer);
    server_.drop_unanswered();
    log_.line("terminated");
    if (quit_after_terminate_) {
        quit();
        return;
    }
    run();
}

void ScriptPlayer::quit() {
    state_ = State::Done;
    KillTimer(window_, kRepeatTimer);
    log_.line("exiting");
    PostQuitMessage(0);
}

}  // namespace standin
