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

    virtual bool start(HINSTANCE instance) = 0;
    // Takes the new value and sends it to every advise link; report: one "data sent" line.
    virtual void set_value(std::string bytes, bool report = true) = 0;
    // Sends the value as it stands to every advise link again, reporting nothing.
    virtual void resend() = 0;
    virtual void set_refuse(bool refuse) = 0;
    virtual void set_advise_mode(AdviseMode mode) = 0;
    // Only the raw server can do these two (ddeml_refusal() keeps them from the other).
    virtual void send_raw(const std::string& block, bool null_block) = 0;
    virtual void set_format(unsigned format) = 0;

    // Ends every conversation; returns how many now await the client's reply.
    virtual std::size_t terminate_all() = 0;
    virtual std::size_t awaiting_terminate_reply() const = 0;
    // Drops every conversation still waiting for its reply.
    virtual void drop_unanswered() = 0;
    // Called whenever a conversation has ended.
    void on_conversation_closed(std::function<void()> callback) { closed_ = std::move(callback); }

protected:
    void conversation_closed() {
        if (closed_) closed_();
    }

private:
    std::function<void()> closed_;
};

}  // namespace standin
