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
    bool Connect(const std::wstring& service = L"SatPC32", const std::wstring& topic = L"SatPcDdeConv");
    // The status word of the answering WM_DDE_ACK, or nothing within timeoutMs.
    std::optional<WORD> Advise(const std::wstring& item = L"SatPcDdeItem", unsigned format = CF_TEXT,
                               bool ackRequested = false, DWORD timeoutMs = 10000);
    std::optional<WORD> Unadvise(const std::wstring& item = L"SatPcDdeItem", DWORD timeoutMs = 10000);
    // Posts WM_DDE_REQUEST; the answer shows up in Data() or as a negative ack.
    void Request(const std::wstring& item = L"SatPcDdeItem", unsigned format = CF_TEXT);
    std::optional<WORD> NextAck(DWORD timeoutMs = 10000);
    // Posts WM_DDE_TERMINATE and waits for the reply.
    bool Terminate(DWORD timeoutMs = 2000);

    // Off: a server's TERMINATE is noted but never answered (a stuck client).
    void AnswerServerTerminate(bool answer) { answerTerminate_ = answer; }
    bool WaitForData(std::size_t count, DWORD timeoutMs = 10000);
    const std::vector<ReceivedData>& Data() const { return data_; }
    bool TerminatedByServer() const { return terminatedByServer_; }
    bool Connected() const { return server_ != nullptr; }
    HWND Window() const { return window_; }
    HWND Server() const { return server_; }

private:
    friend LRESULT CALLBACK korvane::win32::OwnedWindowProc<DdeProbeClient>(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnData(LPARAM lParam);

    HWND window_ = nullptr;
    HWND server_ = nullptr;
    bool initiating_ = false;
    bool terminating_ = false;
    bool terminatedByServer_ = false;
    bool answerTerminate_ = true;
    std::vector<WORD> acks_;
    std::size_t acksSeen_ = 0;
    std::vector<ReceivedData> data_;
};

}  // namespace standin_test
