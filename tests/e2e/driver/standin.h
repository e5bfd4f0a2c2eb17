#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "child_process.h"
#include "line_queue.h"

namespace korvane::e2e {

// How the stand-in serves DDE: raw DDE messages, or through DDEML as a program built on a
// DDE component library does (its --ddeml), or raw DDE messages with every conversation served
// from one window that knows its clients by their window (its --one-window).
enum class TrackerKind { Raw, Ddeml, OneWindow };

// The SatPC32 stand-in as a child process: commands go to its stdin one a line as the test
// goes, and each event line it prints lands in a queue.
class StandIn {
public:
    explicit StandIn(const std::string& exePath, TrackerKind kind = TrackerKind::Raw);
    ~StandIn();
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;

    void Send(const std::string& command);
    // Takes the first event line that starts with prefix, waiting up to timeout.
    std::optional<std::string> WaitEvent(const std::string& prefix,
                                         std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));
    bool HasEvent(const std::string& prefix);
    // Every line printed so far, one per line, for failure messages.
    std::string Transcript();
    ChildProcess& Process() { return *process_; }

private:
    std::unique_ptr<ChildProcess> process_;
    LineQueue events_;
    std::thread reader_;
};

}  // namespace korvane::e2e
