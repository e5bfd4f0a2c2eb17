#include "ddeml_server.h"

namespace standin {
namespace {

constexpr wchar_t kService[] = L"SatPC32";
constexpr wchar_t kTopic[] = L"SatPcDdeConv";
constexpr wchar_t kItem[] = L"SatPcDdeItem";
const auto kAccept = reinterpret_cast<HDDEDATA>(TRUE);

HWND partner_of(HCONV conv) {
    CONVINFO info{};
    info.cb = sizeof info;
    return DdeQueryConvInfo(conv, QID_SYNC, &info) ? info.hwndPartner : nullptr;
}

}  // namespace

DdemlServer* DdemlServer::current_ = nullptr;

DdemlServer::DdemlServer(EventLog& log) : log_(log) {}

DdemlServer::~DdemlServer() { uninitialize(); }

bool DdemlServer::start(HINSTANCE) {
    current_ = this;
    const DWORD flags = APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_POKES | CBF_SKIP_REGISTRATIONS |
                        CBF_SKIP_UNREGISTRATIONS;
    if (DdeInitializeW(&instance_, callback, flags, 0) != DMLERR_NO_ERROR) {
        instance_ = 0;
        return false;
    }
    service_ = DdeCreateStringHandleW(instance_, kService, CP_WINUNICODE);
    topic_ = DdeCreateStringHandleW(instance_, kTopic, CP_WINUNICODE);
    item_ = DdeCreateStringHandleW(instance_, kItem, CP_WINUNICODE);
    return service_ && topic_ && item_ && DdeNameService(instance_, service_, nullptr, DNS_REGISTER);
}

HDDEDATA CALLBACK DdemlServer::callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA,
                                        ULONG_PTR, ULONG_PTR) {
    return current_ ? current_->on_transaction(type, format, conv, hsz1, hsz2) : nullptr;
}

void DdemlServer::event(const std::string& what, HCONV conv) {
    const auto found = clients_.find(conv);
    log_.line(what + " " + handle_text(found == clients_.end() ? partner_of(conv) : found->second));
}

HDDEDATA DdemlServer::on_transaction(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2) {
    switch (type) {
    case XTYP_CONNECT:  // hsz1: topic, hsz2: service
        if (!same(hsz1, topic_) || !same(hsz2, service_)) return nullptr;
        if (refuse_) {
            log_.line("initiate refused");
            return nullptr;
        }
        return kAccept;
    case XTYP_WILDCONNECT: {
        if ((hsz1 && !same(hsz1, topic_)) || (hsz2 && !same(hsz2, service_))) return nullptr;
        if (refuse_) {
            log_.line("initiate refused");
            return nullptr;
        }
        HSZPAIR pairs[2] = {{service_, topic_}, {nullptr, nullptr}};
        return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr,
                                   CF_TEXT, 0);
    }
    case XTYP_CONNECT_CONFIRM:
        clients_[conv] = partner_of(conv);
        event("initiate", conv);
        return nullptr;
    case XTYP_ADVSTART: return on_advise_start(format, conv, hsz2);
    case XTYP_ADVREQ:
        if (!same(hsz2, item_)) return nullptr;
        ++answered_;
        return value_handle();
    case XTYP_REQUEST:
        if (!same(hsz2, item_) || format != CF_TEXT) {
            event("request refused", conv);
            return nullptr;
        }
        event("request answered", conv);
        return value_handle();
    case XTYP_ADVSTOP: event("unadvise", conv); return nullptr;
    case XTYP_DISCONNECT:
        if (uninitializing_) return nullptr;  // our own DdeUninitialize ending it
        event("terminate from client", conv);
        clients_.erase(conv);
        conversation_closed();
        return nullptr;
    default: return nullptr;
    }
}

HDDEDATA DdemlServer::on_advise_start(UINT format, HCONV conv, HSZ item) {
    std::string refusal;
    if (!same(item, item_)) refusal = "advise rejected item";
    else if (format != CF_TEXT) refusal = "advise rejected format";
    else if (advise_mode_ == AdviseMode::Nack) refusal = "advise nack";
    event(refusal.empty() ? "advise ok" : refusal, conv);
    return refusal.empty() ? kAccept : nullptr;
}

HDDEDATA DdemlServer::value_handle() {
    // DDEML frees the handle once it has sent it.
    return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(value_.data()), static_cast<DWORD>(value_.size()),
                               0, item_, CF_TEXT, 0);
}

void DdemlServer::set_value(std::string bytes, bool report) {
    value_ = std::move(bytes);
    answered_ = 0;
    if (instance_) DdePostAdvise(instance_, topic_, item_);
    if (report) log_.line("data sent " + std::to_string(answered_) + " clients");
}

void DdemlServer::resend() {
    if (instance_) DdePostAdvise(instance_, topic_, item_);
}

std::size_t DdemlServer::terminate_all() {
    if (instance_) {
        log_.line("uninitialize " + std::to_string(clients_.size()) + " conversations");
        uninitialize();
    }
    return 0;
}

void DdemlServer::uninitialize() {
    if (!instance_) return;
    for (HSZ* h : {&service_, &topic_, &item_}) {
        if (*h) DdeFreeStringHandle(instance_, *h);
        *h = nullptr;
    }
    uninitializing_ = true;
    DdeUninitialize(instance_);
    uninitializing_ = false;
    instance_ = 0;
    clients_.clear();
}

}  // namespace standin
