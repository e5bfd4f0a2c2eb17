#include "script_player.h"

#include <algorithm>
#include <cstdio>

namespace standin {
namespace {

// Busy with work of its own, a program still answers what is sent to it (each look at its queue
// runs the sent messages) while its posted messages wait.
void AnswerOnlySentMessages(unsigned milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_SENDMESSAGE);
    }
}

}  // namespace

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

ScriptPlayer::ScriptPlayer(TrackerServer& server, EventLog& log, bool exitAtEnd, bool ddeml)
    : server_(server), log_(log), exitAtEnd_(exitAtEnd), ddeml_(ddeml)
{
    server_.OnConversationClosed([this] { OnTerminateProgress(); });
}

bool ScriptPlayer::MakeWindow(HINSTANCE instance)
{
    window_ = korvane::win32::CreateOwnedWindow(*this, instance, {.className = kPlayerClass});
    return window_ != nullptr;
}

LRESULT ScriptPlayer::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
        case kScriptLineMessage: {
            auto* line = reinterpret_cast<std::string*>(lParam);
            AddInputLine(*line);
            delete line;
            return 0;
        }
        case kScriptEndMessage:
            EndOfInput();
            return 0;
        case WM_TIMER:
            if (wParam == kRepeatTimer) {
                if (state_ != State::Done) {
                    server_.Resend();
                }
                return 0;
            }
            KillTimer(window, wParam);
            if (wParam == kWaitTimer && state_ == State::Waiting) {
                state_ = State::Running;
                Run();
            } else if (wParam == kStormTimer && state_ == State::Storming) {
                StormStep();
            } else if (wParam == kTerminateTimer && state_ == State::Terminating) {
                FinishTerminate();
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

void ScriptPlayer::AddInputLine(const std::string& line)
{
    ParsedLine parsed = ParseCommand(line, ddeml_);
    if (!parsed.ok) {
        log_.Line("error " + parsed.error + ": " + line);
        return;
    }
    if (parsed.command.kind == CommandKind::Nothing) {
        return;
    }
    AddCommand(line, std::move(parsed.command));
}

void ScriptPlayer::AddCommand(std::string line, Command command)
{
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    pending_.push_back({std::move(line), std::move(command)});
    Run();
}

void ScriptPlayer::EndOfInput()
{
    inputEnded_ = true;
    Run();
}

void ScriptPlayer::Run()
{
    while (state_ == State::Running && !pending_.empty()) {
        const Pending next = std::move(pending_.front());
        pending_.pop_front();
        Execute(next);
    }
    if (state_ == State::Running && pending_.empty() && inputEnded_ && !endReported_) {
        endReported_ = true;
        log_.Line("script end");
        if (exitAtEnd_) {
            BeginTerminate(true);
        }
    }
}

void ScriptPlayer::Execute(const Pending& p)
{
    const Command& c = p.command;
    log_.Line("command " + p.line);
    switch (c.kind) {
        case CommandKind::Nothing:
            break;
        case CommandKind::Set:
        case CommandKind::SetHex:
            server_.SetValue(c.payload);
            break;
        case CommandKind::Wait:
            state_ = State::Waiting;
            SetTimer(window_, kWaitTimer, c.milliseconds, nullptr);
            break;
        case CommandKind::Terminate:
            BeginTerminate(false);
            break;
        case CommandKind::Vanish:
            server_.VanishAll();
            break;
        case CommandKind::Exit:
            // As if the tracker crashed: no conversation is ended, no window is cleaned up.
            std::fflush(nullptr);
            TerminateProcess(GetCurrentProcess(), 0);
            break;
        case CommandKind::Quit:
            BeginTerminate(true);
            break;
        case CommandKind::Refuse:
            server_.SetRefuse(c.refuse);
            break;
        case CommandKind::Advise:
            server_.SetAdviseMode(c.advise);
            break;
        case CommandKind::Hang:
            Sleep(c.milliseconds);
            log_.Line("hang over");
            break;
        case CommandKind::Busy:
            AnswerOnlySentMessages(c.milliseconds);
            log_.Line("busy over");
            break;
        case CommandKind::Format:
            server_.SetFormat(c.format);
            break;
        case CommandKind::SetFill:
            server_.SetValue(c.payload);
            break;
        case CommandKind::RawData:
            server_.SendRaw(c.payload, c.nullBlock, c.item);
            break;
        case CommandKind::Repeat:
            if (c.milliseconds == 0) {
                KillTimer(window_, kRepeatTimer);
            } else {
                SetTimer(window_, kRepeatTimer, c.milliseconds, nullptr);
            }
            break;
        case CommandKind::Storm:
            storm_ = Storm{c.payload, c.milliseconds, c.count, GetTickCount64(), 0};
            state_ = State::Storming;
            StormStep();
            break;
    }
}

void ScriptPlayer::StormStep()
{
    // Sends every change that is due by now at the storm's rate, a bounded batch at a time;
    // the timer brings the next batch, and DDE messages are served in between.
    const ULONGLONG elapsed = GetTickCount64() - storm_.started;
    const bool over = elapsed >= storm_.milliseconds;
    const ULONGLONG until = over ? storm_.milliseconds : elapsed;
    const unsigned long long due = std::max<unsigned long long>(1, until * storm_.perSecond / 1000);
    unsigned long long batch = 0;
    while (storm_.sent < due && (over || batch < kStormMaxPerStep)) {
        server_.SetValue(StormText(storm_.text, ++storm_.sent), false);
        ++batch;
    }
    if (!over) {
        SetTimer(window_, kStormTimer, kStormStepMs, nullptr);
        return;
    }
    log_.Line("storm over " + std::to_string(storm_.sent) + " changes in " + std::to_string(elapsed) + " ms");
    state_ = State::Running;
    Run();
}

void ScriptPlayer::BeginTerminate(bool thenQuit)
{
    quitAfterTerminate_ = thenQuit;
    state_ = State::Terminating;
    if (server_.TerminateAll() == 0) {
        FinishTerminate();
        return;
    }
    SetTimer(window_, kTerminateTimer, kTerminateReplyMs, nullptr);
}

void ScriptPlayer::OnTerminateProgress()
{
    if (state_ == State::Terminating && server_.AwaitingTerminateReply() == 0) {
        FinishTerminate();
    }
}

void ScriptPlayer::FinishTerminate()
{
    state_ = State::Running;  // first, so that the drops below do not come back here
    KillTimer(window_, kTerminateTimer);
    server_.DropUnanswered();
    log_.Line("terminated");
    if (quitAfterTerminate_) {
        Quit();
        return;
    }
    Run();
}

void ScriptPlayer::Quit()
{
    state_ = State::Done;
    KillTimer(window_, kRepeatTimer);
    log_.Line("exiting");
    PostQuitMessage(0);
}

}  // namespace standin
