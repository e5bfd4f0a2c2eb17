#include "windows/dde_client_link.h"

#include <dde.h>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "link/item_data.h"
#include "windows/owned_window.h"
#include "windows/wine_quirks.h"

namespace korvane::win32 {
namespace {

// Bounds on how long opening a link may hold the window's thread.
constexpr DWORD kInitiatePerWindowMs = 1000;  // one top-level window's answer to the initiate
constexpr DWORD kInitiateMs = 4000;           // all windows together
constexpr DWORD kAdviseAckMs = 3000;          // the server's answer to the hot-link request
constexpr DWORD kTerminateAnswerMs = 3000;    // the servers' answers to this side's terminates
constexpr WORD kAckPositive = 0x8000;         // fAck of DDEACK

WPARAM AsWParam(HWND window)
{
    return reinterpret_cast<WPARAM>(window);
}

HWND AsWindow(WPARAM wParam)
{
    return reinterpret_cast<HWND>(wParam);
}

ATOM AsAtom(UINT_PTR value)
{
    return static_cast<ATOM>(value);
}

LPARAM AtomPair(WORD low, ATOM high)
{
    return static_cast<LPARAM>(MAKELONG(low, high));
}

// Unpacks a posted DDE message's two values and frees the packed parameter.
bool TakePackedParam(UINT message, LPARAM lParam, UINT_PTR& low, UINT_PTR& high)
{
    if (!UnpackDDElParam(message, lParam, &low, &high)) {
        return false;
    }
    FreeDDElParam(message, lParam);
    return true;
}

BOOL CALLBACK CollectOtherProcessWindow(HWND window, LPARAM context)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) {
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    }
    return TRUE;
}

std::vector<HWND> OtherProcessesTopLevelWindows()
{
    std::vector<HWND> windows;
    EnumWindows(&CollectOtherProcessWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

DdeClientLink::DdeClientLink(HINSTANCE instance, DdeLinkEvents& events)
    : events_(events), serverLife_([this](HWND destroyed) { OnServerWindowDestroyed(destroyed); })
{
    // A message-only window: servers answer it by handle, and broadcasts never reach it.
    window_.Reset(CreateOwnedWindow(*this, instance, WindowOptions{.className = "KorvaneDdeClientLink"}));
}

DdeClientLink::~DdeClientLink()
{
    Close();
}

bool DdeClientLink::Open(const std::string& service, const std::string& topic, const std::string& item)
{
    const bool wasLinked = state_ == State::Linked;
    Close();
    if (wasLinked) {
        events_.OnLinkClosed();
    }
    if (!window_) {
        return false;
    }

    // Nothing more goes to a server until it has answered this side's terminate: one that serves
    // every conversation from one window, and knows its clients by their window, would take the
    // new initiate first and then end the new conversation with the old terminate.
    PumpConversationUntil(
        [this] {
            std::erase_if(terminating_, [](HWND server) { return !IsWindow(server); });
            return terminating_.empty();
        },
        kTerminateAnswerMs);
    server_ = Initiate(service, topic);
    if (server_ == nullptr) {
        return false;
    }
    state_ = State::Opening;
    item_ = item;
    if (!Advise()) {
        Close();
        return false;
    }

    state_ = State::Linked;
    serverLife_.Watch(server_);
    events_.OnLinkOpened();
    RequestCurrentValue();
    return true;
}

HWND DdeClientLink::Initiate(const std::string& service, const std::string& topic)
{
    const ATOM serviceAtom = GlobalAddAtomA(service.c_str());
    const ATOM topicAtom = GlobalAddAtomA(topic.c_str());
    initiateAnswer_ = nullptr;
    if (serviceAtom != 0 && topicAtom != 0) {
        // Asks one window at a time, each with a time limit, instead of a broadcast that a
        // single hung window could block for good. The first server to answer is taken.
        initiating_ = true;
        const ULONGLONG deadline = GetTickCount64() + kInitiateMs;
        for (HWND candidate : OtherProcessesTopLevelWindows()) {
            const ULONGLONG now = GetTickCount64();
            if (initiateAnswer_ != nullptr || now >= deadline) {
                break;
            }
            const auto wait = static_cast<UINT>(std::min<ULONGLONG>(kInitiatePerWindowMs, deadline - now));
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(candidate, WM_DDE_INITIATE, AsWParam(window_.Get()), AtomPair(serviceAtom, topicAtom),
                                SMTO_NORMAL | SMTO_ABORTIFHUNG, wait, &ignored);
        }
        initiating_ = false;
    }
    if (serviceAtom != 0) {
        GlobalDeleteAtom(serviceAtom);
    }
    if (topicAtom != 0) {
        GlobalDeleteAtom(topicAtom);
    }
    return initiateAnswer_;
}

bool DdeClientLink::Advise()
{
    HGLOBAL options = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof(DDEADVISE));
    if (options == nullptr) {
        return false;
    }
    auto* advise = static_cast<DDEADVISE*>(GlobalLock(options));
    if (advise == nullptr) {
        GlobalFree(options);
        return false;
    }
    *advise = DDEADVISE{};  // data with every change, no acknowledgement asked of the client
    advise->cfFormat = CF_TEXT;
    GlobalUnlock(options);

    const ATOM itemAtom = GlobalAddAtomA(item_.c_str());
    const LPARAM packed = PackDDElParam(WM_DDE_ADVISE, reinterpret_cast<UINT_PTR>(options), itemAtom);
    adviseAnswer_ = AdviseAnswer::Pending;
    adviseOptions_ = options;
    if (itemAtom == 0 || !PostMessageA(server_, WM_DDE_ADVISE, AsWParam(window_.Get()), packed)) {
        FreeDDElParam(WM_DDE_ADVISE, packed);
        if (itemAtom != 0) {
            GlobalDeleteAtom(itemAtom);
        }
        GlobalFree(options);
        adviseOptions_ = nullptr;
        return false;
    }

    PumpConversationUntil(
        [this] { return adviseAnswer_ != AdviseAnswer::Pending || server_ == nullptr || !IsWindow(server_); },
        kAdviseAckMs);
    // Once answered, the options belong to the server (accepted) or were freed (refused).
    // Unanswered, the server may still read them, so they are left to it.
    adviseOptions_ = nullptr;
    return adviseAnswer_ == AdviseAnswer::Accepted && server_ != nullptr;
}

void DdeClientLink::RequestCurrentValue()
{
    // A hot link sends data only on a change: ask for the value as it stands now.
    const ATOM itemAtom = GlobalAddAtomA(item_.c_str());
    if (itemAtom != 0 && !PostMessageA(server_, WM_DDE_REQUEST, AsWParam(window_.Get()), AtomPair(CF_TEXT, itemAtom))) {
        GlobalDeleteAtom(itemAtom);
    }
}

bool DdeClientLink::TakePostedMessage(const MSG& message)
{
    if (message.hwnd == nullptr || message.hwnd != window_.Get() || message.message < WM_DDE_FIRST ||
        message.message > WM_DDE_LAST) {
        return false;
    }
    OnDdeMessage(message.message, message.wParam, message.lParam, false);
    return true;
}

LRESULT DdeClientLink::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message < WM_DDE_FIRST || message > WM_DDE_LAST) {
        // The handle is not yet kept while the window is being created.
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // Sent, or posted and dispatched by a loop that is not this program's own (a window being
    // dragged): only a message sent to the window is an answer to an initiate.
    OnDdeMessage(message, wParam, lParam, InSendMessageEx(nullptr) != ISMEX_NOSEND);
    return 0;
}

void DdeClientLink::OnDdeMessage(UINT message, WPARAM wParam, LPARAM lParam, bool sent)
{
    switch (message) {
        case WM_DDE_ACK:
            // A server answers an initiate with a sent acknowledgement of two plain atoms; every
            // other acknowledgement is posted, its values packed. One from a conversation that is
            // over (its server gone, or its own terminate) is freed by that rule, not answered.
            // A loop of another's that runs inside a sent message (a window being dragged) makes a
            // posted one look sent: one from this side's server, or from a server still being
            // terminated, is an initiate's answer only while an initiate is out, when nothing
            // posted is taken (the thread is inside the initiate's SendMessageTimeout).
            if (sent && (initiating_ || (AsWindow(wParam) != server_ && !terminating_.contains(AsWindow(wParam))))) {
                OnInitiateAck(AsWindow(wParam), lParam);
            } else {
                OnAck(AsWindow(wParam), lParam);
            }
            break;
        case WM_DDE_DATA:
            OnData(AsWindow(wParam), lParam);
            break;
        case WM_DDE_TERMINATE:
            OnTerminate(AsWindow(wParam));
            break;
        default:
            break;  // nothing a client is sent otherwise
    }
}

void DdeClientLink::OnInitiateAck(HWND server, LPARAM lParam)
{
    GlobalDeleteAtom(LOWORD(lParam));
    GlobalDeleteAtom(HIWORD(lParam));
    if (terminating_.contains(server)) {
        return;  // a server that has not yet confirmed this side's terminate is never taken
    }
    if (initiating_ && initiateAnswer_ == nullptr) {
        initiateAnswer_ = server;
        return;
    }
    // A second server, or one that answered too late: end that conversation at once.
    if (PostMessageA(server, WM_DDE_TERMINATE, AsWParam(window_.Get()), 0)) {
        terminating_.insert(server);
    }
}

void DdeClientLink::OnAck(HWND from, LPARAM lParam)
{
    UINT_PTR status = 0;
    UINT_PTR itemAtom = 0;
    if (!TakePackedParam(WM_DDE_ACK, lParam, status, itemAtom)) {
        return;
    }
    GlobalDeleteAtom(AsAtom(itemAtom));

    if (from == server_ && state_ == State::Opening && adviseAnswer_ == AdviseAnswer::Pending) {
        const bool accepted = (status & kAckPositive) != 0;
        adviseAnswer_ = accepted ? AdviseAnswer::Accepted : AdviseAnswer::Refused;
        if (!accepted && adviseOptions_ != nullptr) {
            GlobalFree(adviseOptions_);  // a refused advise leaves its options to the client
            adviseOptions_ = nullptr;
        }
    }
}

void DdeClientLink::OnData(HWND from, LPARAM lParam)
{
    UINT_PTR dataHandle = 0;
    UINT_PTR itemValue = 0;
    if (!TakePackedParam(WM_DDE_DATA, lParam, dataHandle, itemValue)) {
        return;
    }
    auto* const data = reinterpret_cast<HGLOBAL>(dataHandle);
    const ATOM itemAtom = AsAtom(itemValue);
    // After this side's terminate nothing is answered; what comes is deleted unseen.
    const bool answered = from == server_ || !terminating_.contains(from);
    const bool forTheItem =
        from == server_ && state_ != State::Idle && itemAtom != 0 && itemAtom == GlobalFindAtomA(item_.c_str());

    bool release = false;
    bool ackRequested = false;
    bool taken = false;
    std::string text;
    if (data != nullptr) {
        const SIZE_T size = GlobalSize(data);
        const auto* bytes = static_cast<const unsigned char*>(GlobalLock(data));
        constexpr std::size_t kValueOffset = offsetof(DDEDATA, Value);
        if (bytes != nullptr) {
            if (size >= kValueOffset) {
                const auto& header = *reinterpret_cast<const DDEDATA*>(bytes);
                release = header.fRelease != 0;
                ackRequested = header.fAckReq != 0 && answered;
                taken = forTheItem && header.cfFormat == CF_TEXT;
                if (taken) {
                    // Never past the block the server gave: the text ends at a NUL or at its end.
                    text = TextFromItemData(reinterpret_cast<const char*>(bytes + kValueOffset), size - kValueOffset);
                }
            }
            GlobalUnlock(data);
        }
    }

    bool ackPosted = false;
    if (ackRequested) {
        const LPARAM ack = PackDDElParam(WM_DDE_ACK, taken ? kAckPositive : 0, itemAtom);
        ackPosted = PostMessageA(from, WM_DDE_ACK, AsWParam(window_.Get()), ack) != FALSE;
        if (!ackPosted) {
            FreeDDElParam(WM_DDE_ACK, ack);
            GlobalDeleteAtom(itemAtom);
        }
    } else {
        GlobalDeleteAtom(itemAtom);
    }
    // With fRelease set the block is this side's to free, unless a negative acknowledgement
    // reached the server, which then keeps it; one that could not be posted (the server is gone)
    // leaves it here. Under Wine this process holds a copy of its own.
    if (data != nullptr && ((release && (taken || !ackPosted)) || IsWineCopyAcrossProcesses(from))) {
        GlobalFree(data);
    }

    if (taken) {
        events_.OnLinkText(text);
    }
}

void DdeClientLink::OnTerminate(HWND from)
{
    if (terminating_.erase(from) > 0) {
        return;  // the server's answer to a terminate of ours
    }
    PostMessageA(from, WM_DDE_TERMINATE, AsWParam(window_.Get()), 0);
    if (from == server_) {
        ServerGone();
    }
}

void DdeClientLink::OnServerProcessEnded()
{
    // The server ended without ending the conversation (it crashed or was killed). Its
    // process is watched only while linked, and no longer from here on.
    ServerGone();
}

void DdeClientLink::OnServerWindowDestroyed(HWND window)
{
    // The conversation window itself, or another of its thread whose children went with it; a
    // destruction still under way is seen at the next check.
    if (state_ == State::Linked && window == server_) {
        ServerGone();  // the conversation window went without a terminate
    } else {
        CheckServer();
    }
}

void DdeClientLink::CheckServer()
{
    if (state_ == State::Linked && !IsWindow(server_)) {
        ServerGone();  // the conversation window went without a terminate, and no one said so
    }
}

void DdeClientLink::ServerGone()
{
    const bool wasLinked = state_ == State::Linked;
    serverLife_.Stop();
    server_ = nullptr;
    state_ = State::Idle;
    if (wasLinked) {
        events_.OnLinkClosed();
    }
}

void DdeClientLink::Close()
{
    if (server_ != nullptr && IsWindow(server_)) {
        if (state_ == State::Linked) {
            const ATOM itemAtom = GlobalAddAtomA(item_.c_str());
            if (itemAtom != 0 &&
                !PostMessageA(server_, WM_DDE_UNADVISE, AsWParam(window_.Get()), AtomPair(0, itemAtom))) {
                GlobalDeleteAtom(itemAtom);
            }
        }
        if (PostMessageA(server_, WM_DDE_TERMINATE, AsWParam(window_.Get()), 0)) {
            terminating_.insert(server_);
        }
    }
    serverLife_.Stop();
    server_ = nullptr;
    state_ = State::Idle;
}

bool DdeClientLink::PumpConversationUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    // Only this link's DDE messages are taken: clicks and timer ticks wait in the queue,
    // so no other handler runs in the middle of the one that opens the link.
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        const auto wait = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 20));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_POSTMESSAGE | QS_SENDMESSAGE);
        MSG message;
        while (!done() && PeekMessageA(&message, window_.Get(), WM_DDE_FIRST, WM_DDE_LAST, PM_REMOVE)) {
            TakePostedMessage(message);
        }
    }
    return true;
}

}  // namespace korvane::win32
