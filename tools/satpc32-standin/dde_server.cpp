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

DdeServer::DdeServer(EventLog& log) : log_(log) {}

DdeServer::~DdeServer() {
    for (ATOM a : {service_, topic_, item_})
        if (a) GlobalDeleteAtom(a);
}

bool DdeServer::start(HINSTANCE instance) {
    instance_ = instance;
    service_ = GlobalAddAtomW(kService);
    topic_ = GlobalAddAtomW(kTopic);
    item_ = GlobalAddAtomW(kItem);
    if (!service_ || !topic_ || !item_) return false;
    // A top-level (never shown) window: WM_DDE_INITIATE comes as a broadcast, which
    // message-only windows do not receive.
    main_window_ = korvane::win32::CreateOwnedWindow(
        *this, instance, {.className = kMainClass, .title = "SatPC32 stand-in", .style = WS_OVERLAPPED, .parent = nullptr});
    return main_window_ != nullptr;
}

LRESULT DdeServer::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // The main window is made before any conversation's: while it is being made it has no handle yet.
    const bool isMainWindow = main_window_ == nullptr || window == main_window_;
    if (isMainWindow && message == WM_DDE_INITIATE) {
        on_initiate(hwnd_from(wparam), lparam);
        return 0;
    }
    if (!isMainWindow && message >= WM_DDE_FIRST && message <= WM_DDE_LAST) {
        on_conversation_message(window, message, wparam, lparam);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void DdeServer::event(const std::string& what, HWND client) { log_.line(what + " " + handle_text(client)); }

void DdeServer::on_initiate(HWND client, LPARAM lparam) {
    const ATOM service = low_word(lparam);
    const ATOM topic = high_word(lparam);
    if ((service && service != service_) || (topic && topic != topic_)) return;
    if (refuse_) {
        log_.line("initiate " + handle_text(client) + " refused");
        return;
    }
    HWND self = korvane::win32::CreateOwnedWindow(*this, instance_, {.className = kConversationClass});
    if (!self) return;
    conversations_[self].client = client;
    event("initiate", client);
    // The client deletes the atoms of this ACK, so they are added for it.
    const ATOM service_ack = GlobalAddAtomW(kService);
    const ATOM topic_ack = GlobalAddAtomW(kTopic);
    SendMessageW(client, WM_DDE_ACK, wparam_from(self), two_words(service_ack, topic_ack));
}

void DdeServer::on_conversation_message(HWND self, UINT message, WPARAM wparam, LPARAM lparam) {
    auto found = conversations_.find(self);
    if (found == conversations_.end() || hwnd_from(wparam) != found->second.client) {
        release_unanswered(message, lparam);
        return;
    }
    Conversation& c = found->second;
    if (message == WM_DDE_TERMINATE) {
        on_terminate(self, c);
        return;
    }
    if (c.terminating) {  // after our TERMINATE nothing but the reply is answered
        release_unanswered(message, lparam);
        return;
    }
    switch (message) {
    case WM_DDE_ADVISE: on_advise(self, c, lparam); break;
    case WM_DDE_UNADVISE: on_unadvise(self, c, lparam); break;
    case WM_DDE_REQUEST: on_request(self, c, lparam); break;
    case WM_DDE_ACK: on_ack(c, lparam); break;
    case WM_DDE_POKE: {
        UINT_PTR data = 0;
        UINT_PTR item = 0;
        UnpackDDElParam(WM_DDE_POKE, lparam, &data, &item);
        // A negative ACK leaves the poked data to the client.
        if (!post_ack(self, c.client, WM_DDE_POKE, lparam, kAckNegative, item))
            GlobalDeleteAtom(static_cast<ATOM>(item));
        event("poke refused", c.client);
        break;
    }
    case WM_DDE_EXECUTE:
        post_ack(self, c.client, WM_DDE_EXECUTE, 0, kAckNegative, static_cast<UINT_PTR>(lparam));
        event("execute refused", c.client);
        break;
    default: release_unanswered(message, lparam); break;
    }
}

void DdeServer::on_advise(HWND self, Conversation& c, LPARAM lparam) {
    UINT_PTR options_handle = 0;
    UINT_PTR item_value = 0;
    UnpackDDElParam(WM_DDE_ADVISE, lparam, &options_handle, &item_value);
    const auto options = reinterpret_cast<HGLOBAL>(options_handle);
    const auto item = static_cast<ATOM>(item_value);
    if (advise_mode_ == AdviseMode::Ignore) {
        // A server that never answers never frees anything either.
        FreeDDElParam(WM_DDE_ADVISE, lparam);
        event("advise ignored", c.client);
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
    if (item != item_) refusal = "advise rejected item";
    else if (!readable || wanted.cfFormat != CF_TEXT) refusal = "advise rejected format";
    else if (advise_mode_ == AdviseMode::Nack) refusal = "advise nack";
    if (!refusal.empty()) {
        // On a negative ACK the client keeps and frees its options.
        if (!post_ack(self, c.client, WM_DDE_ADVISE, lparam, kAckNegative, item)) GlobalDeleteAtom(item);
        log_.line(refusal + " " + handle_text(c.client));
        return;
    }
    c.advised = true;
    c.warm = wanted.fDeferUpd != 0;
    c.ack_requested = wanted.fAckReq != 0;
    GlobalFree(options);
    if (!post_ack(self, c.client, WM_DDE_ADVISE, lparam, kAckPositive, item)) GlobalDeleteAtom(item);
    event("advise ok", c.client);
}

void DdeServer::on_unadvise(HWND self, Conversation& c, LPARAM lparam) {
    const ATOM item = high_word(lparam);
    const bool ours = (item == 0 || item == item_) && c.advised;
    if (ours) c.advised = false;
    if (!post_ack(self, c.client, WM_DDE_UNADVISE, 0, ours ? kAckPositive : kAckNegative, item) && item)
        GlobalDeleteAtom(item);
    event(ours ? "unadvise" : "unadvise refused", c.client);
}

void DdeServer::on_request(HWND self, Conversation& c, LPARAM lparam) {
    const WORD format = low_word(lparam);
    const ATOM item = high_word(lparam);
    if (item != item_ || format != CF_TEXT) {
        if (!post_ack(self, c.client, WM_DDE_REQUEST, 0, kAckNegative, item) && item) GlobalDeleteAtom(item);
        event("request refused", c.client);
        return;
    }
    send_value(self, c, item, true);  // the request's atom goes back with the answer
    event("request answered", c.client);
}

void DdeServer::on_ack(Conversation& c, LPARAM lparam) {
    UINT_PTR status = 0;
    UINT_PTR item = 0;
    UnpackDDElParam(WM_DDE_ACK, lparam, &status, &item);
    FreeDDElParam(WM_DDE_ACK, lparam);
    if (item) GlobalDeleteAtom(static_cast<ATOM>(item));
    const bool positive = (status & kAckPositive) != 0;
    if (!c.unacknowledged.empty()) {
        // Refused, the block comes back to us; taken, only the receiver's copy is used under Wine.
        if (c.unacknowledged.front() && (!positive || copied_on_post(c.client))) GlobalFree(c.unacknowledged.front());
        c.unacknowledged.pop_front();
    }
    event(positive ? "data ack ok" : "data ack nack", c.client);
}

void DdeServer::on_terminate(HWND self, Conversation& c) {
    if (c.terminating) {
        event("terminate reply", c.client);
    } else {
        PostMessageW(c.client, WM_DDE_TERMINATE, wparam_from(self), 0);
        event("terminate from client", c.client);
    }
    close(self);
}

bool DdeServer::send_value(HWND self, Conversation& c, ATOM item, bool response) {
    const bool ack = !response && c.ack_requested;
    HGLOBAL posted = nullptr;
    if (!post_data(self, c.client, item, value_, format_, response, ack, !response && c.warm, &posted)) return false;
    if (ack) c.unacknowledged.push_back(posted);
    return true;
}

void DdeServer::set_value(std::string bytes, bool report) {
    value_ = std::move(bytes);
    const int sent = send_to_advised();
    if (report) log_.line("data sent " + std::to_string(sent) + " clients");
}

void DdeServer::resend() { send_to_advised(); }

int DdeServer::send_to_advised() {
    int sent = 0;
    for (auto& [self, c] : conversations_) {
        if (!c.advised || c.terminating) continue;
        if (send_value(self, c, GlobalAddAtomW(kItem), false)) ++sent;
    }
    return sent;
}

void DdeServer::send_raw(const std::string& block, bool null_block) {
    int sent = 0;
    for (auto& [self, c] : conversations_) {
        if (!c.advised || c.terminating) continue;
        if (post_raw_data(self, c.client, GlobalAddAtomW(kItem), block, null_block)) ++sent;
    }
    log_.line("data sent " + std::to_string(sent) + " clients");
}

std::size_t DdeServer::terminate_all() {
    for (auto& [self, c] : conversations_) {
        if (c.terminating) continue;
        c.terminating = true;
        PostMessageW(c.client, WM_DDE_TERMINATE, wparam_from(self), 0);
        event("terminate sent", c.client);
    }
    return awaiting_terminate_reply();
}

std::size_t DdeServer::awaiting_terminate_reply() const {
    std::size_t n = 0;
    for (const auto& entry : conversations_)
        if (entry.second.terminating) ++n;
    return n;
}

void DdeServer::drop_unanswered() {
    std::vector<HWND> dropped;
    for (const auto& [self, c] : conversations_)
        if (c.terminating) dropped.push_back(self);
    for (HWND self : dropped) {
        event("terminate timeout", conversations_[self].client);
        close(self);
    }
}

void DdeServer::close(HWND self) {
    conversations_.erase(self);
    DestroyWindow(self);
    conversation_closed();
}

}  // namespace standin
