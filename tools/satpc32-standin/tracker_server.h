#pragma once
// What the script player asks of SatPC32's side of DDE, whichever way it is spoken:
// raw DDE messages (DdeServer) or the DDE management library (DdemlServer).
#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>

#include "script_command.h"

namespace standin {

class TrackerServer {
public:
    virtual ~TrackerServer() = default;

    virtual bool Start(HINSTANCE instance) = 0;
    // Takes the new value and sends it to every advise link; report: one "data sent" line.
    virtual void SetValue(std::string bytes, bool report = true) = 0;
    // Sends the value as it stands to every advise link again, reporting nothing.
    virtual void Resend() = 0;
    virtual void SetRefuse(bool refuse) = 0;
    virtual void SetAdviseMode(AdviseMode mode) = 0;
    // Only the raw server can do these three (DdemlRefusal() keeps them from the other).
    virtual void SendRaw(const std::string& block, bool nullBlock, const std::string& item) = 0;
    virtual void SetFormat(unsigned format) = 0;
    // Destroys every conversation's window without a terminate; the process goes on.
    virtual void VanishAll() = 0;

    // Ends every conversation; returns how many now await the client's reply.
    virtual std::size_t TerminateAll() = 0;
    virtual std::size_t AwaitingTerminateReply() const = 0;
    // Drops every conversation still waiting for its reply.
    virtual void DropUnanswered() = 0;
    // Called whenever a conversation has ended.
    void OnConversationClosed(std::function<void()> callback) { closed_ = std::move(callback); }

protected:
    void ConversationClosed()
    {
        if (closed_) {
            closed_();
        }
    }

private:
    std::function<void()> closed_;
};

}  // namespace standin
