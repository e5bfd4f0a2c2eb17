#include "dde_probe_client.h"

#include <dde.h>

#include <cstddef>

#include "dde_post.h"
#include "message_pump.h"

namespace standin_test {
namespace {

constexpr char kProbeClass[] = "SatPC32StandinProbeClient";

}  // namespace

DdeProbeClient::DdeProbeClient()
{
    window_ = korvane::win32::CreateOwnedWindow(*this, GetModuleHandleW(nullptr), {.className = kProbeClass});
}

DdeProbeClient::~DdeProbeClient()
{
    if (server_) {
        Terminate(500);
    }
    if (window_) {
        DestroyWindow(window_);
    }
}

LRESULT DdeProbeClient::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_DDE_FIRST && message <= WM_DDE_LAST) {
        OnMessage(message, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool DdeProbeClient::Connect(const std::wstring& service, const std::wstring& topic)
{
    const ATOM a = service.empty() ? ATOM{0} : GlobalAddAtomW(service.c_str());
    const ATOM t = topic.empty() ? ATOM{0} : GlobalAddAtomW(topic.c_str());
    initiating_ = true;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(window_), standin::TwoWords(a, t),
                        SMTO_NORMAL, 3000, &ignored);
    initiating_ = false;
    if (a) {
        GlobalDeleteAtom(a);
    }
    if (t) {
        GlobalDeleteAtom(t);
    }
    return server_ != nullptr;
}

std::optional<WORD> DdeProbeClient::Advise(const std::wstring& item, unsigned format, bool ackRequested,
                                           DWORD timeoutMs)
{
    HGLOBAL options = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, sizeof(DDEADVISE));
    auto* o = static_cast<DDEADVISE*>(GlobalLock(options));
    o->reserved = 0;
    o->fDeferUpd = 0;
    o->fAckReq = ackRequested ? 1 : 0;
    o->cfFormat = static_cast<short>(format);
    GlobalUnlock(options);
    const ATOM a = GlobalAddAtomW(item.c_str());
    PostMessageW(server_, WM_DDE_ADVISE, reinterpret_cast<WPARAM>(window_),
                 PackDDElParam(WM_DDE_ADVISE, reinterpret_cast<UINT_PTR>(options), a));
    const std::optional<WORD> status = NextAck(timeoutMs);
    if (status && !(*status & 0x8000)) {
        GlobalFree(options);  // a refused advise leaves the options to us
    }
    return status;
}

std::optional<WORD> DdeProbeClient::Unadvise(const std::wstring& item, DWORD timeoutMs)
{
    PostMessageW(server_, WM_DDE_UNADVISE, reinterpret_cast<WPARAM>(window_),
                 standin::TwoWords(CF_TEXT, GlobalAddAtomW(item.c_str())));
    return NextAck(timeoutMs);
}

void DdeProbeClient::Request(const std::wstring& item, unsigned format)
{
    PostMessageW(server_, WM_DDE_REQUEST, reinterpret_cast<WPARAM>(window_),
                 standin::TwoWords(static_cast<WORD>(format), GlobalAddAtomW(item.c_str())));
}

std::optional<WORD> DdeProbeClient::NextAck(DWORD timeoutMs)
{
    if (!PumpUntil([&] { return acks_.size() > acksSeen_; }, timeoutMs)) {
        return std::nullopt;
    }
    return acks_[acksSeen_++];
}

bool DdeProbeClient::Terminate(DWORD timeoutMs)
{
    if (!server_) {
        return true;
    }
    terminating_ = true;
    PostMessageW(server_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0);
    return PumpUntil([&] { return server_ == nullptr; }, timeoutMs);
}

bool DdeProbeClient::WaitForData(std::size_t count, DWORD timeoutMs)
{
    return PumpUntil([&] { return data_.size() >= count; }, timeoutMs);
}

void DdeProbeClient::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND from = reinterpret_cast<HWND>(wParam);
    if (message == WM_DDE_ACK && initiating_) {
        // Keep the first server; a second one would get its conversation ended.
        GlobalDeleteAtom(standin::LowWord(lParam));
        GlobalDeleteAtom(standin::HighWord(lParam));
        if (server_) {
            PostMessageW(from, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0);
        } else {
            server_ = from;
        }
        return;
    }
    if (from != server_) {
        return;
    }
    switch (message) {
        case WM_DDE_ACK:
            acks_.push_back(standin::TakeAckStatus(lParam));
            break;
        case WM_DDE_DATA:
            OnData(lParam);
            break;
        case WM_DDE_TERMINATE:
            if (!terminating_) {
                terminatedByServer_ = true;
                if (answerTerminate_) {
                    PostMessageW(server_, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(window_), 0);
                }
            }
            server_ = nullptr;
            break;
        default:
            break;
    }
}

void DdeProbeClient::OnData(LPARAM lParam)
{
    UINT_PTR handle = 0;
    UINT_PTR item = 0;
    UnpackDDElParam(WM_DDE_DATA, lParam, &handle, &item);
    const auto data = reinterpret_cast<HGLOBAL>(handle);
    ReceivedData received;
    bool release = false;
    bool ack = false;
    received.warm = data == nullptr;
    if (const auto* d = data ? static_cast<const DDEDATA*>(GlobalLock(data)) : nullptr) {
        const std::size_t header = offsetof(DDEDATA, Value);
        const std::size_t size = GlobalSize(data);
        received.bytes.assign(reinterpret_cast<const char*>(d) + header, size > header ? size - header : 0);
        received.format = static_cast<unsigned short>(d->cfFormat);
        received.response = d->fResponse != 0;
        release = d->fRelease != 0;
        received.release = release;
        ack = d->fAckReq != 0;
        GlobalUnlock(data);
    }
    data_.push_back(received);
    if (ack) {
        PostMessageW(server_, WM_DDE_ACK, reinterpret_cast<WPARAM>(window_),
                     ReuseDDElParam(lParam, WM_DDE_DATA, WM_DDE_ACK, 0x8000, item));
    } else {
        FreeDDElParam(WM_DDE_DATA, lParam);
        GlobalDeleteAtom(static_cast<ATOM>(item));
    }
    if (release && data) {
        GlobalFree(data);
    }
}

}  // namespace standin_test
