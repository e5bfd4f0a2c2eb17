#pragma once
// SatPC32's side of DDE as a program built on the DDE management library (DDEML) serves
// it, the way a DDE component library of its day does: DdeInitialize, DdeNameService for
// SatPC32, XTYP_CONNECT on SatPcDdeConv, XTYP_ADVSTART for SatPcDdeItem in CF_TEXT,
// XTYP_ADVREQ and XTYP_REQUEST answered with a CF_TEXT data handle, DdePostAdvise at
// every change and DdeUninitialize at the end. DDEML owns the windows and the messages.
#include <windows.h>

#include <ddeml.h>

#include <map>
#include <string>

#include "event_log.h"
#include "tracker_server.h"

namespace standin {

class DdemlServer : public TrackerServer {
public:
    explicit DdemlServer(EventLog& log);
    ~DdemlServer() override;
    DdemlServer(const DdemlServer&) = delete;
    DdemlServer& operator=(const DdemlServer&) = delete;

    bool Start(HINSTANCE instance) override;
    void SetValue(std::string bytes, bool report = true) override;
    void Resend() override;
    void SetRefuse(bool refuse) override { refuse_ = refuse; }
    void SetAdviseMode(AdviseMode mode) override { adviseMode_ = mode; }
    void SendRaw(const std::string&, bool, const std::string&) override {}
    void SetFormat(unsigned) override {}
    void VanishAll() override {}

    // DdeUninitialize: DDEML ends the conversations its own way; none awaits a reply here.
    std::size_t TerminateAll() override;
    std::size_t AwaitingTerminateReply() const override { return 0; }
    void DropUnanswered() override {}

private:
    // One DDEML instance per process serves the callback, so it finds its server here.
    static DdemlServer* current_;
    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                      ULONG_PTR data1, ULONG_PTR data2);
    HDDEDATA OnTransaction(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2);
    HDDEDATA OnAdviseStart(UINT format, HCONV conv, HSZ item);
    HDDEDATA ValueHandle();
    bool Same(HSZ a, HSZ b) const { return DdeCmpStringHandles(a, b) == 0; }
    void Event(const std::string& what, HCONV conv);
    void Uninitialize();

    EventLog& log_;
    DWORD instance_ = 0;
    HSZ service_ = nullptr;
    HSZ topic_ = nullptr;
    HSZ item_ = nullptr;
    std::string value_ = std::string(1, '\0');
    bool refuse_ = false;
    AdviseMode adviseMode_ = AdviseMode::Ok;
    std::map<HCONV, HWND> clients_;  // each conversation's client window, for the event lines
    int answered_ = 0;               // XTYP_ADVREQ answered during one DdePostAdvise
    bool uninitializing_ = false;
};

}  // namespace standin
