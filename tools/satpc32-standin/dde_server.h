#pragma once
// SatPC32's side of DDE, spoken at the message level: answers WM_DDE_INITIATE for
// SatPC32|SatPcDdeConv, opens one hidden window per conversation (or, with oneWindow, serves
// every conversation from its main window, knowing each by its client's window), keeps advise
// links on SatPcDdeItem and sends the item's bytes to them on every change.
#include <windows.h>

#include <deque>
#include <map>
#include <string>

#include "event_log.h"
#include "script_command.h"
#include "tracker_server.h"
#include "windows/owned_window.h"

namespace standin {

class DdeServer : public TrackerServer {
public:
    explicit DdeServer(EventLog& log, bool oneWindow = false);
    ~DdeServer();
    DdeServer(const DdeServer&) = delete;
    DdeServer& operator=(const DdeServer&) = delete;

    bool Start(HINSTANCE instance) override;

    void SetValue(std::string bytes, bool report = true) override;
    void Resend() override;
    // Sends one DATA message with exactly this block (or none) for the item ("" for ours) to
    // every advise link, leaving the value alone.
    void SendRaw(const std::string& block, bool nullBlock, const std::string& item) override;
    void SetRefuse(bool refuse) override { refuse_ = refuse; }
    void SetAdviseMode(AdviseMode mode) override { adviseMode_ = mode; }
    void SetFormat(unsigned format) override { format_ = static_cast<WORD>(format); }
    void VanishAll() override;

    // Posts WM_DDE_TERMINATE to every open conversation.
    std::size_t TerminateAll() override;
    std::size_t AwaitingTerminateReply() const override;
    void DropUnanswered() override;

private:
    struct Conversation {
        HWND client = nullptr;
        HWND server = nullptr;  // the window that serves it
        bool advised = false;
        bool warm = false;
        bool ackRequested = false;
        bool terminating = false;
        std::deque<HGLOBAL> unacknowledged;  // DATA sent with fAckReq, freed on a negative ACK
    };

    // The messages of the main window and of every conversation's window.
    friend LRESULT CALLBACK korvane::win32::OwnedWindowProc<DdeServer>(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void OnInitiate(HWND client, LPARAM lParam);
    void OnConversationMessage(HWND self, UINT message, WPARAM wParam, LPARAM lParam);
    void OnAdvise(HWND self, Conversation& c, LPARAM lParam);
    void OnUnadvise(HWND self, Conversation& c, LPARAM lParam);
    void OnRequest(HWND self, Conversation& c, LPARAM lParam);
    void OnAck(Conversation& c, LPARAM lParam);
    void OnTerminate(Conversation& c);
    bool SendValue(HWND self, Conversation& c, ATOM item, bool response);
    int SendToAdvised();
    void Close(const Conversation& c);
    void Event(const std::string& what, HWND client);

    EventLog& log_;
    bool oneWindow_ = false;
    HINSTANCE instance_ = nullptr;
    HWND mainWindow_ = nullptr;
    ATOM service_ = 0;
    ATOM topic_ = 0;
    ATOM item_ = 0;
    std::string value_ = std::string(1, '\0');
    bool refuse_ = false;
    AdviseMode adviseMode_ = AdviseMode::Ok;
    WORD format_ = CF_TEXT;
    std::map<HWND, Conversation> conversations_;  // by the serving window, or with oneWindow_ the client
};

}  // namespace standin
