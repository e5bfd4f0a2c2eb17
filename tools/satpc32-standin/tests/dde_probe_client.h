#pragma once
// A minimal DDE client spoken at the message level, to drive the stand-in from tests:
// it records what the server sends and answers the way a well-behaved client does.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "windows/owned_window.h"

namespace standin_test {

struct ReceivedData {
    std::string bytes;  // exactly the bytes after the DDEDATA header
    unsigned format = 0;
    bool response = false;  // fResponse: an answer to a request
    bool warm = false;      // no data handle: a warm link's notice
    bool release = false;   // fRelease: the client frees the block
};

class DdeProbeClient {
public:
    DdeProbeClient();
    ~DdeProbeClient();
    DdeProbeClient(const DdeProbeClient&) = delete;
    DdeProbeClient& operator=(const DdeProbeClient&) = delete;

    // Broadcasts WM_DDE_INITIATE (empty names mean "any"); true if a server answered.
    bool connect(const std::wstring& service = L"SatPC32", const std::wstring& topic = L"SatPcDdeConv");
    // The status word of the answering WM_DDE_ACK, or nothing within timeout_ms.
    std::optional<WORD> advise(const std::wstring& item = L"SatPcDdeItem", unsigned format = CF_TEXT,
                               bool ack_requested = false, DWORD timeout_ms = 10000);
    std::optional<WORD> unadvise(const std::wstring& item = L"SatPcDdeItem", DWORD timeout_ms = 10000);
    // Posts WM_DDE_REQUEST; the answer shows up in data() or as a negative ack.
    void request(const std::wstring& item = L"SatPcDdeItem", unsigned format = CF_TEXT);
    std::optional<WORD> next_ack(DWORD timeout_ms = 10000);
    // Posts WM_DDE_TERMINATE and waits for the reply.
    bool terminate(DWORD timeout_ms = 2000);

    // Off: a server's TERMINATE is noted but never answered (a stuck client).
    void answer_server_terminate(bool answer) { answer_terminate_ = answer; }
    bool wait_for_data(std::size_t count, DWORD timeout_ms = 10000);
    const std::vector<ReceivedData>& data() const { return data_; }
    bool terminated_by_server() const { return terminated_by_server_; }
    bool connected() const { return server_ != nullptr; }
    HWND window() const { return window_; }
    HWND server() const { return server_; }

private:
    friend LRESULT CALLBACK korvane::win32::OwnedWindowProc<DdeProbeClient>(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void on_message(UINT message, WPARAM wparam, LPARAM lparam);
    void on_data(LPARAM lparam);

    HWND window_ = nullptr;
    HWND server_ = nullptr;
    bool initiating_ = false;
    bool terminating_ = false;
    bool terminated_by_server_ = false;
    bool answer_terminate_ = true;
    std::vector<WORD> acks_;
    std::size_t acks_seen_ = 0;
    std::vector<ReceivedData> data_;
};

}  // namespace standin_test
