#pragma once
// Building, posting and releasing message-level DDE messages, following the
// ownership rules of the DDE protocol: whoever fails to post a message frees what
// it carries; the receiver of a posted message frees the packed lParam.
#include <windows.h>

#include <dde.h>

#include <string_view>

namespace standin {

inline HWND AsWindow(WPARAM w)
{
    return reinterpret_cast<HWND>(w);
}
inline WPARAM AsWParam(HWND h)
{
    return reinterpret_cast<WPARAM>(h);
}
inline WORD LowWord(LPARAM l)
{
    return static_cast<WORD>(static_cast<ULONG_PTR>(l) & 0xFFFF);
}
inline WORD HighWord(LPARAM l)
{
    return static_cast<WORD>((static_cast<ULONG_PTR>(l) >> 16) & 0xFFFF);
}
inline LPARAM TwoWords(WORD low, WORD high)
{
    return static_cast<LPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}

inline constexpr WORD kAckPositive = 0x8000;
inline constexpr WORD kAckNegative = 0;

// Takes a posted WM_DDE_ACK's status: frees its packed lParam and deletes the item atom it carries.
inline WORD TakeAckStatus(LPARAM lParam)
{
    UINT_PTR status = 0;
    UINT_PTR item = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &status, &item);
    FreeDDElParam(WM_DDE_ACK, lParam);
    if (item) {
        GlobalDeleteAtom(static_cast<ATOM>(item));
    }
    return static_cast<WORD>(status);
}

// Posts WM_DDE_ACK carrying `status` and `value` (an item atom or a command handle).
// `reuse` is the received packed lParam to recycle (0 when the request was not packed).
bool PostAck(HWND from, HWND to, UINT receivedMessage, LPARAM reuse, WORD status, UINT_PTR value);

// Posts WM_DDE_DATA for `item`. hData is NULL for a warm link's notice, otherwise it
// holds `bytes` in `format` with fRelease set, so the client frees it.
// The atom travels with the message and is deleted here if the post fails.
// `posted`, when given, receives the data handle that went out.
bool PostData(HWND from, HWND to, ATOM item, std::string_view bytes, WORD format, bool response, bool ackRequested,
              bool warm, HGLOBAL* posted = nullptr);

// Whether posting a DDE message to `to` gives the receiver a copy of the data block and
// leaves the sender's own block to the sender (Wine, receiver in another process).
bool CopiedOnPost(HWND to);

// Posts WM_DDE_DATA for `item` whose data block is exactly `block`, header included, as
// it stands (a hostile or broken message); nullBlock posts no data handle at all.
bool PostRawData(HWND from, HWND to, ATOM item, std::string_view block, bool nullBlock);

// Releases everything a posted DDE message carries, as a receiver that will not answer.
void ReleaseUnanswered(UINT message, LPARAM lParam);

}  // namespace standin
