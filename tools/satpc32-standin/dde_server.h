#pragma once
// SatPC32's side of DDE, spoken at the message level: answers WM_DDE_INITIATE for
// SatPC32|SatPcDdeConv, opens one hidden window per conversation, keeps advise links
// on SatPcDdeItem and sends the item's bytes to them on every change.
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
    explicit DdeServer(EventLog& log);
    ~DdeServer();
    DdeServer(const DdeServer&) = delete;
    DdeServer& operator=(const DdeServer&) = delete;

    bool start(HINSTANCE instance) override;

    void set_value(std::string bytes, bool report = true) override;
    void resend() override;
    // Sends one DATA message with exactly this block (or none) to every advise link,
    // leaving the value alone.
    void send_raw(const std::string& block, bool null_block) override;
    void set_refuse(bool refuse) override { refuse_ = refuse; }
    void set_advise_mode(AdviseMode mode) override { advise_mode_ = mode; }
    void set_format(unsigned format) override { format_ = static_cast<WORD>(format); }

    // Posts WM_DDE_TERMINATE to every open conversation.
    std::size_t terminate_all() override;
    std::size_t awaiting_terminate_reply() const override;
    void drop_unanswered() override;

private:
    struct Conversation {
        HWND client = nullptr;
        bool advised = false;
        bool warm = false;
        bool ack_requested = false;
        bool terminating = false;
        std::deque<HGLOBAL> unacknowledged;  // DATA sent with fAckReq, freed on a negative ACK
    };

    // The messages of the main window and of every conversation's window.
    friend LRESULT CALLBACK korvane::win32::OwnedWindowProc<DdeServer>(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    void on_initiate(HWND client, LPARAM lparam);
    void on_conversation_message(HWND self, UINT message, WPARAM wparam, LPARAM lparam);
    void on_advise(HWND self, Conversation& c, LPARAM lparam);
    void on_unadvise(HWND self, Conversation& c, LPARAM lparam);
    void on_request(HWND self, Conversation& c, LPARAM lparam);
    void on_ack(Conversation& c, LPARAM lparam);
    void on_terminate(HWND self, Conversation& c);
    bool send_value(HWND self, Conversation& c, ATOM item, bool response);
    int send_to_advised();
    void close(HWND self);
    void event(const std::string& what, HWND client);

    EventLog& log_;
    HINSTANCE instance_ = nullptr;
    HWND main_window_ = nullptr;
    ATOM service_ = 0;
    ATOM topic_ = 0;
    ATOM item_ = 0;
    std::string value_ = std::string(1, '\0');
    bool refuse_ = false;
    AdviseMode advise_mode_ = AdviseMode::Ok;
    WORD format_ = CF_TEXT;
    std::map<HWND, Conversation> conversations_;
};

}  // namespace standin
