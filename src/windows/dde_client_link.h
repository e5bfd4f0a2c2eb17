#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>

#include "windows/server_life_watch.h"
#include "windows/win32_handles.h"

namespace korvane::win32 {

// What the link reports to the window it is bound to.
class DdeLinkEvents {
public:
    virtual ~DdeLinkEvents() = default;

    virtual void OnLinkOpened() = 0;
    virtual void OnLinkClosed() = 0;
    // The item's text as it arrived, cut at the first NUL.
    virtual void OnLinkText(const std::string& text) = 0;
};

// One DDE client conversation with a hot link on one text item, spoken at the message
// level (WM_DDE_*), so that it works alike on Windows and under Wine. A server that ends
// the conversation, whose process ends without a word (it crashed or was killed), or whose
// conversation window is destroyed closes the link as it happens: the message loop waits on
// ServerProcess beside the queue, and window destructions come as WinEvents (where they do not,
// CheckServer finds the window gone at the next watch tick).
class DdeClientLink {
public:
    DdeClientLink(HINSTANCE instance, DdeLinkEvents& events);
    ~DdeClientLink();

    DdeClientLink(const DdeClientLink&) = delete;
    DdeClientLink& operator=(const DdeClientLink&) = delete;

    // Opens the conversation and the hot link, then asks for the item's current value.
    // A conversation that is already open is ended first (and reported closed), so that
    // one conversation at most feeds the item's text. Returns false when no server
    // answered in time or the server refused.
    bool Open(const std::string& service, const std::string& topic, const std::string& item);

    // Ends the hot link and the conversation, if one is open. Reports nothing.
    void Close();

    // The server's process while linked, for the message loop to wait on; null otherwise.
    HANDLE ServerProcess() const { return serverLife_.Process(); }
    // The message loop saw ServerProcess signalled: the server has ended.
    void OnServerProcessEnded();
    // Closes the link if the server's conversation window is gone. Called on a wake-up the
    // thread has anyway (the watch tick), for a window destroyed where no WinEvent tells it.
    void CheckServer();

    // Takes a DDE message posted to the link's window, as a message loop of this thread removed it
    // from the queue; false for any other message. The link's posted messages are taken here, so
    // that what reaches its window procedure was sent: the answers to an initiate.
    bool TakePostedMessage(const MSG& message);

    // Every message of the link's window, from its window procedure.
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

private:
    enum class State { Idle, Opening, Linked };
    enum class AdviseAnswer { Pending, Accepted, Refused };

    HWND Initiate(const std::string& service, const std::string& topic);
    bool Advise();
    void RequestCurrentValue();

    void OnDdeMessage(UINT message, WPARAM wParam, LPARAM lParam, bool sent);
    void OnInitiateAck(HWND server, LPARAM lParam);
    void OnAck(HWND from, LPARAM lParam);
    void OnData(HWND from, LPARAM lParam);
    void OnTerminate(HWND from);
    void OnServerWindowDestroyed(HWND window);

    void ServerGone();
    bool PumpConversationUntil(const std::function<bool()>& done, DWORD timeoutMs);

    DdeLinkEvents& events_;
    UniqueWindow window_;

    State state_ = State::Idle;
    HWND server_ = nullptr;
    std::string item_;

    bool initiating_ = false;
    HWND initiateAnswer_ = nullptr;

    AdviseAnswer adviseAnswer_ = AdviseAnswer::Pending;
    HGLOBAL adviseOptions_ = nullptr;

    ServerLifeWatch serverLife_;

    // Conversations this side ended, whose servers have not yet answered the terminate.
    std::set<HWND> terminating_;
};

}  // namespace korvane::win32
