#include "dde_server.h"

#include "dde_post.h"

#include <vector>

namespace standin {
namespace {

constexpr wchar_t kService[] = L"SatPC32";
constexpr wchar_t kTopic[] = L"SatPcDdeConv";
constexpr wchar_t kItem[] = L"SatPcDdeItem";
constexpr char kMainClass[] = "SatPC32StandinDdeServer";
constexpr char kConversationClass[] = "SatPC32StandinDdeConversation";

}  // namespace

DdeServer::DdeServer(EventLog& log, bool oneWindow) : log_(log), oneWindow_(oneWindow) {}

DdeServer::~DdeServer()
{
    for (ATOM a : {service_, topic_, item_}) {
        if (a) {
            GlobalDeleteAtom(a);
        }
    }
}

bool DdeServer::Start(HINSTANCE instance)
{
    instance_ = instance;
    service_ = GlobalAddAtomW(kService);
    topic_ = GlobalAddAtomW(kTopic);
    item_ = GlobalAddAtomW(kItem);
    if (!service_ || !topic_ || !item_) {
        return false;
    }
    // A top-level (never shown) window: WM_DDE_INITIATE comes as a broadcast, which
    // message-only windows do not receive.
    mainWindow_ = korvane::win32::CreateOwnedWindow(
        *this, instance,
        {.className = kMainClass, .title = "SatPC32 stand-in", .style = WS_OVERLAPPED, .parent = nullptr});
    return mainWindow_ != nullptr;
}

LRESULT DdeServer::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The main window is made before any conversation's: while it is being made it has no handle yet.
    const bool isMainWindow = mainWindow_ == nullptr || window == mainWindow_;
    if (isMainWindow && message == WM_DDE_INITIATE) {
        OnInitiate(AsWindow(wParam), lParam);
        return 0;
    }
    if ((!isMainWindow || oneWindow_) && message >= WM_DDE_FIRST && message <= WM_DDE_LAST) {
        OnConversationMessage(window, message, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void DdeServer::Event(const std::string& what, HWND client)
{
    log_.Line(what + " " + HandleText(client));
}

void DdeServer::OnInitiate(HWND client, LPARAM lParam)
{
    const ATOM service = LowWord(lParam);
    const ATOM topic = HighWord(lParam);
    if ((service && service != service_) || (topic && topic != topic_)) {
        return;
    }
    if (refuse_) {
        log_.Line("initiate " + HandleText(client) + " refused");
        return;
    }
    HWND self = oneWindow_ ? mainWindow_
                           : korvane::win32::CreateOwnedWindow(*this, instance_, {.className = kConversationClass});
    if (!self) {
        return;
    }
    Conversation& c = conversations_[oneWindow_ ? client : self];
    c = Conversation{};  // a client that starts anew is a new conversation
    c.client = client;
    c.server = self;
    Event("initiate", client);
    // The client deletes the atoms of this ACK, so they are added for it.
    const ATOM serviceAck = GlobalAddAtomW(kService);
    const ATOM topicAck = GlobalAddAtomW(kTopic);
    SendMessageW(client, WM_DDE_ACK, AsWParam(self), TwoWords(serviceAck, topicAck));
}

void DdeServer::OnConversationMessage(HWND self, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto found = conversations_.find(oneWindow_ ? AsWindow(wParam) : self);
    if (found == conversations_.end() || AsWindow(wParam) != found->second.client) {
        ReleaseUnanswered(message, lParam);
        return;
    }
    Conversation& c = found->second;
    if (message == WM_DDE_TERMINATE) {
        OnTerminate(c);
        return;
    }
    if (c.terminating) {  // after our TERMINATE nothing but the reply is answered
        ReleaseUnanswered(message, lParam);
        return;
    }
    switch (message) {
        case WM_DDE_ADVISE:
            OnAdvise(self, c, lParam);
            break;
        case WM_DDE_UNADVISE:
            OnUnadvise(self, c, lParam);
            break;
        case WM_DDE_REQUEST:
            OnRequest(self, c, lParam);
            break;
        case WM_DDE_ACK:
            OnAck(c, lParam);
            break;
        case WM_DDE_POKE: {
            UINT_PTR data = 0;
            UINT_PTR item = 0;
            UnpackDDElParam(WM_DDE_POKE, lParam, &data, &item);
            // A negative ACK leaves the poked data to the client.
            if (!PostAck(self, c.client, WM_DDE_POKE, lParam, kAckNegative, item)) {
                GlobalDeleteAtom(static_cast<ATOM>(item));
            }
            Event("poke refused", c.client);
            break;
        }
        case WM_DDE_EXECUTE:
            PostAck(self, c.client, WM_DDE_EXECUTE, 0, kAckNegative, static_cast<UINT_PTR>(lParam));
            Event("execute refused", c.client);
            break;
        default:
            ReleaseUnanswered(message, lParam);
            break;
    }
}

void DdeServer::OnAdvise(HWND self, Conversation& c, LPARAM lParam)
{
    UINT_PTR optionsHandle = 0;
    UINT_PTR itemValue = 0;
    UnpackDDElParam(WM_DDE_ADVISE, lParam, &optionsHandle, &itemValue);
    const auto options = reinterpret_cast<HGLOBAL>(optionsHandle);
    const auto item = static_cast<ATOM>(itemValue);
    if (adviseMode_ == AdviseMode::Ignore) {
        // A server that never answers never frees anything either.
        FreeDDElParam(WM_DDE_ADVISE, lParam);
        Event("advise ignored", c.client);
        return;
    }
    DDEADVISE wanted{};
    bool readable = false;
    if (const auto* p = options ? static_cast<const DDEADVISE*>(GlobalLock(options)) : nullptr) {
        wanted = *p;
        readable = true;
        GlobalUnlock(options);
    }
    std::string refusal;
    if (item != item_) {
        refusal = "advise rejected item";
    } else if (!readable || wanted.cfFormat != CF_TEXT) {
        refusal = "advise rejected format";
    } else if (adviseMode_ == AdviseMode::Nack) {
        refusal = "advise nack";
    }
    if (!refusal.empty()) {
        // On a negative ACK the client keeps and frees its options.
        if (!PostAck(self, c.client, WM_DDE_ADVISE, lParam, kAckNegative, item)) {
            GlobalDeleteAtom(item);
        }
        log_.Line(refusal + " " + HandleText(c.client));
        return;
    }
    c.advised = true;
    c.warm = wanted.fDeferUpd != 0;
    c.ackRequested = wanted.fAckReq != 0;
    GlobalFree(options);
    if (!PostAck(self, c.client, WM_DDE_ADVISE, lParam, kAckPositive, item)) {
        GlobalDeleteAtom(item);
    }
    Event("advise ok", c.client);
}

void DdeServer::OnUnadvise(HWND self, Conversation& c, LPARAM lParam)
{
    const ATOM item = HighWord(lParam);
    const bool ours = (item == 0 || item == item_) && c.advised;
    if (ours) {
        c.advised = false;
    }
    if (!PostAck(self, c.client, WM_DDE_UNADVISE, 0, ours ? kAckPositive : kAckNegative, item) && item) {
        GlobalDeleteAtom(item);
    }
    Event(ours ? "unadvise" : "unadvise refused", c.client);
}

void DdeServer::OnRequest(HWND self, Conversation& c, LPARAM lParam)
{
    const WORD format = LowWord(lParam);
    const ATOM item = HighWord(lParam);
    if (item != item_ || format != CF_TEXT) {
        if (!PostAck(self, c.client, WM_DDE_REQUEST, 0, kAckNegative, item) && item) {
            GlobalDeleteAtom(item);
        }
        Event("request refused", c.client);
        return;
    }
    SendValue(self, c, item, true);  // the request's atom goes back with the answer
    Event("request answered", c.client);
}

void DdeServer::OnAck(Conversation& c, LPARAM lParam)
{
    const bool positive = (TakeAckStatus(lParam) & kAckPositive) != 0;
    if (!c.unacknowledged.empty()) {
        // Refused, the block comes back to us; taken, only the receiver's copy is used under Wine.
        if (c.unacknowledged.front() && (!positive || CopiedOnPost(c.client))) {
            GlobalFree(c.unacknowledged.front());
        }
        c.unacknowledged.pop_front();
    }
    Event(positive ? "data ack ok" : "data ack nack", c.client);
}

void DdeServer::OnTerminate(Conversation& c)
{
    if (c.terminating) {
        Event("terminate reply", c.client);
    } else {
        PostMessageW(c.client, WM_DDE_TERMINATE, AsWParam(c.server), 0);
        Event("terminate from client", c.client);
    }
    Close(c);
}

bool DdeServer::SendValue(HWND self, Conversation& c, ATOM item, bool response)
{
    const bool ack = !response && c.ackRequested;
    HGLOBAL posted = nullptr;
    if (!PostData(self, c.client, item, value_, format_, response, ack, !response && c.warm, &posted)) {
        return false;
    }
    if (ack) {
        c.unacknowledged.push_back(posted);
    }
    return true;
}

void DdeServer::SetValue(std::string bytes, bool report)
{
    value_ = std::move(bytes);
    const int sent = SendToAdvised();
    if (report) {
        log_.Line("data sent " + std::to_string(sent) + " clients");
    }
}

void DdeServer::Resend()
{
    SendToAdvised();
}

int DdeServer::SendToAdvised()
{
    int sent = 0;
    for (auto& entry : conversations_) {
        Conversation& c = entry.second;
        if (!c.advised || c.terminating) {
            continue;
        }
        if (SendValue(c.server, c, GlobalAddAtomW(kItem), false)) {
            ++sent;
        }
    }
    return sent;
}

void DdeServer::SendRaw(const std::string& block, bool nullBlock, const std::string& item)
{
    int sent = 0;
    for (auto& entry : conversations_) {
        const Conversation& c = entry.second;
        if (!c.advised || c.terminating) {
            continue;
        }
        const ATOM itemAtom = item.empty() ? GlobalAddAtomW(kItem) : GlobalAddAtomA(item.c_str());
        if (PostRawData(c.server, c.client, itemAtom, block, nullBlock)) {
            ++sent;
        }
    }
    log_.Line("data sent " + std::to_string(sent) + " clients");
}

std::size_t DdeServer::TerminateAll()
{
    for (auto& entry : conversations_) {
        Conversation& c = entry.second;
        if (c.terminating) {
            continue;
        }
        c.terminating = true;
        PostMessageW(c.client, WM_DDE_TERMINATE, AsWParam(c.server), 0);
        Event("terminate sent", c.client);
    }
    return AwaitingTerminateReply();
}

void DdeServer::VanishAll()
{
    std::vector<Conversation> vanishing;
    for (const auto& entry : conversations_) {
        vanishing.push_back(entry.second);
    }
    for (const Conversation& c : vanishing) {
        Event("vanish", c.client);
        Close(c);
    }
}

std::size_t DdeServer::AwaitingTerminateReply() const
{
    std::size_t n = 0;
    for (const auto& entry : conversations_) {
        if (entry.second.terminating) {
            ++n;
        }
    }
    return n;
}

void DdeServer::DropUnanswered()
{
    std::vector<Conversation> dropped;
    for (const auto& entry : conversations_) {
        if (entry.second.terminating) {
            dropped.push_back(entry.second);
        }
    }
    for (const Conversation& c : dropped) {
        Event("terminate timeout", c.client);
        Close(c);
    }
}

void DdeServer::Close(const Conversation& c)
{
    const HWND server = c.server;
    conversations_.erase(oneWindow_ ? c.client : server);
    if (server != mainWindow_) {
        DestroyWindow(server);
    }
    ConversationClosed();
}

}  // namespace standin
