#include "ddeml_server.h"

namespace standin {
namespace {

constexpr wchar_t kService[] = L"SatPC32";
constexpr wchar_t kTopic[] = L"SatPcDdeConv";
constexpr wchar_t kItem[] = L"SatPcDdeItem";
const auto kAccept = reinterpret_cast<HDDEDATA>(TRUE);

HWND PartnerOf(HCONV conv)
{
    CONVINFO info{};
    info.cb = sizeof info;
    return DdeQueryConvInfo(conv, QID_SYNC, &info) ? info.hwndPartner : nullptr;
}

}  // namespace

DdemlServer* DdemlServer::current_ = nullptr;

DdemlServer::DdemlServer(EventLog& log) : log_(log) {}

DdemlServer::~DdemlServer()
{
    Uninitialize();
}

bool DdemlServer::Start(HINSTANCE)
{
    current_ = this;
    const DWORD flags =
        APPCLASS_STANDARD | CBF_FAIL_EXECUTES | CBF_FAIL_POKES | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS;
    if (DdeInitializeW(&instance_, Callback, flags, 0) != DMLERR_NO_ERROR) {
        instance_ = 0;
        return false;
    }
    service_ = DdeCreateStringHandleW(instance_, kService, CP_WINUNICODE);
    topic_ = DdeCreateStringHandleW(instance_, kTopic, CP_WINUNICODE);
    item_ = DdeCreateStringHandleW(instance_, kItem, CP_WINUNICODE);
    return service_ && topic_ && item_ && DdeNameService(instance_, service_, nullptr, DNS_REGISTER);
}

HDDEDATA CALLBACK DdemlServer::Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA, ULONG_PTR,
                                        ULONG_PTR)
{
    return current_ ? current_->OnTransaction(type, format, conv, hsz1, hsz2) : nullptr;
}

void DdemlServer::Event(const std::string& what, HCONV conv)
{
    const auto found = clients_.find(conv);
    log_.Line(what + " " + HandleText(found == clients_.end() ? PartnerOf(conv) : found->second));
}

HDDEDATA DdemlServer::OnTransaction(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2)
{
    switch (type) {
        case XTYP_CONNECT:  // hsz1: topic, hsz2: service
            if (!Same(hsz1, topic_) || !Same(hsz2, service_)) {
                return nullptr;
            }
            if (refuse_) {
                log_.Line("initiate refused");
                return nullptr;
            }
            return kAccept;
        case XTYP_WILDCONNECT: {
            if ((hsz1 && !Same(hsz1, topic_)) || (hsz2 && !Same(hsz2, service_))) {
                return nullptr;
            }
            if (refuse_) {
                log_.Line("initiate refused");
                return nullptr;
            }
            HSZPAIR pairs[2] = {{service_, topic_}, {nullptr, nullptr}};
            return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(pairs), sizeof pairs, 0, nullptr, CF_TEXT,
                                       0);
        }
        case XTYP_CONNECT_CONFIRM:
            clients_[conv] = PartnerOf(conv);
            Event("initiate", conv);
            return nullptr;
        case XTYP_ADVSTART:
            return OnAdviseStart(format, conv, hsz2);
        case XTYP_ADVREQ:
            if (!Same(hsz2, item_)) {
                return nullptr;
            }
            ++answered_;
            return ValueHandle();
        case XTYP_REQUEST:
            if (!Same(hsz2, item_) || format != CF_TEXT) {
                Event("request refused", conv);
                return nullptr;
            }
            Event("request answered", conv);
            return ValueHandle();
        case XTYP_ADVSTOP:
            Event("unadvise", conv);
            return nullptr;
        case XTYP_DISCONNECT:
            if (uninitializing_) {
                return nullptr;  // our own DdeUninitialize ending it
            }
            Event("terminate from client", conv);
            clients_.erase(conv);
            ConversationClosed();
            return nullptr;
        default:
            return nullptr;
    }
}

HDDEDATA DdemlServer::OnAdviseStart(UINT format, HCONV conv, HSZ item)
{
    std::string refusal;
    if (!Same(item, item_)) {
        refusal = "advise rejected item";
    } else if (format != CF_TEXT) {
        refusal = "advise rejected format";
    } else if (adviseMode_ == AdviseMode::Nack) {
        refusal = "advise nack";
    }
    Event(refusal.empty() ? "advise ok" : refusal, conv);
    return refusal.empty() ? kAccept : nullptr;
}

HDDEDATA DdemlServer::ValueHandle()
{
    // DDEML frees the handle once it has sent it.
    return DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(value_.data()), static_cast<DWORD>(value_.size()), 0,
                               item_, CF_TEXT, 0);
}

void DdemlServer::SetValue(std::string bytes, bool report)
{
    value_ = std::move(bytes);
    answered_ = 0;
    if (instance_) {
        DdePostAdvise(instance_, topic_, item_);
    }
    if (report) {
        log_.Line("data sent " + std::to_string(answered_) + " clients");
    }
}

void DdemlServer::Resend()
{
    if (instance_) {
        DdePostAdvise(instance_, topic_, item_);
    }
}

std::size_t DdemlServer::TerminateAll()
{
    if (instance_) {
        log_.Line("uninitialize " + std::to_string(clients_.size()) + " conversations");
        Uninitialize();
    }
    return 0;
}

void DdemlServer::Uninitialize()
{
    if (!instance_) {
        return;
    }
    for (HSZ* h : {&service_, &topic_, &item_}) {
        if (*h) {
            DdeFreeStringHandle(instance_, *h);
        }
        *h = nullptr;
    }
    uninitializing_ = true;
    DdeUninitialize(instance_);
    uninitializing_ = false;
    instance_ = 0;
    clients_.clear();
}

}  // namespace standin
