#include "dde_post.h"

#include <cstddef>
#include <cstring>

#include "windows/wine_quirks.h"

namespace standin {

bool PostAck(HWND from, HWND to, UINT receivedMessage, LPARAM reuse, WORD status, UINT_PTR value)
{
    const LPARAM lParam = reuse ? ReuseDDElParam(reuse, receivedMessage, WM_DDE_ACK, status, value)
                                : PackDDElParam(WM_DDE_ACK, status, value);
    if (PostMessageW(to, WM_DDE_ACK, AsWParam(from), lParam)) {
        return true;
    }
    FreeDDElParam(WM_DDE_ACK, lParam);
    return false;
}

bool CopiedOnPost(HWND to)
{
    // Left alone, the sender's block of every message would keep a movable memory handle, and
    // Wine has 65536 of them, so a long run of changes would stop at that.
    return korvane::win32::IsWineCopyAcrossProcesses(to);
}

namespace {

// Posts WM_DDE_DATA carrying `data` (may be NULL) and `item`; if the post fails, frees
// both, as the sender must.
bool PostDataBlock(HWND from, HWND to, ATOM item, HGLOBAL data)
{
    const LPARAM lParam = PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(data), item);
    if (!PostMessageW(to, WM_DDE_DATA, AsWParam(from), lParam)) {
        FreeDDElParam(WM_DDE_DATA, lParam);
        if (data) {
            GlobalFree(data);
        }
        GlobalDeleteAtom(item);
        return false;
    }
    return true;
}

}  // namespace

bool PostData(HWND from, HWND to, ATOM item, std::string_view bytes, WORD format, bool response, bool ackRequested,
              bool warm, HGLOBAL* posted)
{
    HGLOBAL data = nullptr;
    if (!warm) {
        const std::size_t header = offsetof(DDEDATA, Value);
        data = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, header + bytes.size());
        auto* dde = data ? static_cast<DDEDATA*>(GlobalLock(data)) : nullptr;
        if (!dde) {
            if (data) {
                GlobalFree(data);
            }
            GlobalDeleteAtom(item);
            return false;
        }
        dde->unused = 0;
        dde->reserved = 0;
        dde->fResponse = response ? 1 : 0;
        dde->fRelease = 1;
        dde->fAckReq = ackRequested ? 1 : 0;
        dde->cfFormat = static_cast<short>(format);
        if (!bytes.empty()) {
            std::memcpy(reinterpret_cast<BYTE*>(dde) + header, bytes.data(), bytes.size());
        }
        GlobalUnlock(data);
    }
    if (!PostDataBlock(from, to, item, data)) {
        return false;
    }
    if (posted) {
        *posted = data;
    }
    // Without an acknowledgement the receiver owns the block; its copy is all it uses.
    if (data && !ackRequested && CopiedOnPost(to)) {
        GlobalFree(data);
        if (posted) {
            *posted = nullptr;
        }
    }
    return true;
}

bool PostRawData(HWND from, HWND to, ATOM item, std::string_view block, bool nullBlock)
{
    HGLOBAL data = nullptr;
    if (!nullBlock) {
        data = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, block.size());
        if (!data) {
            GlobalDeleteAtom(item);
            return false;
        }
        if (!block.empty()) {
            void* bytes = GlobalLock(data);
            if (!bytes) {
                GlobalFree(data);
                GlobalDeleteAtom(item);
                return false;
            }
            std::memcpy(bytes, block.data(), block.size());
            GlobalUnlock(data);
        }
    }
    if (!PostDataBlock(from, to, item, data)) {
        return false;
    }
    if (data && CopiedOnPost(to)) {
        GlobalFree(data);  // as in PostData
    }
    return true;
}

void ReleaseUnanswered(UINT message, LPARAM lParam)
{
    UINT_PTR low = 0;
    UINT_PTR high = 0;
    switch (message) {
        case WM_DDE_ADVISE:
        case WM_DDE_POKE:
        case WM_DDE_DATA:
            UnpackDDElParam(message, lParam, &low, &high);
            FreeDDElParam(message, lParam);
            if (low) {
                // ADVISE options are always ours to free here; POKE and DATA only with fRelease.
                bool release = message == WM_DDE_ADVISE;
                if (!release) {
                    if (const auto* head = static_cast<const DDEPOKE*>(GlobalLock(reinterpret_cast<HGLOBAL>(low)))) {
                        release = head->fRelease != 0;
                        GlobalUnlock(reinterpret_cast<HGLOBAL>(low));
                    }
                }
                if (release) {
                    GlobalFree(reinterpret_cast<HGLOBAL>(low));
                }
            }
            if (high) {
                GlobalDeleteAtom(static_cast<ATOM>(high));
            }
            break;
        case WM_DDE_REQUEST:
        case WM_DDE_UNADVISE:
            if (const ATOM item = HighWord(lParam)) {
                GlobalDeleteAtom(item);
            }
            break;
        case WM_DDE_ACK:
            UnpackDDElParam(message, lParam, &low, &high);
            FreeDDElParam(message, lParam);
            if (high && high <= 0xFFFF) {
                GlobalDeleteAtom(static_cast<ATOM>(high));
            }
            break;
        case WM_DDE_EXECUTE:
            if (lParam) {
                GlobalFree(reinterpret_cast<HGLOBAL>(lParam));
            }
            break;
        default:
            break;
    }
}

}  // namespace standin
