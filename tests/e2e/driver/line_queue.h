#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace korvane::e2e {

// Lines produced by one thread and consumed by another. Nothing is dropped: a consumer takes
// the first line that matches, and remembers every line for failure messages.
class LineQueue {
public:
    void Push(std::string line);
    void Close();

    // Removes and returns the first pending line for which match holds, waiting up to timeout.
    std::optional<std::string> Take(const std::function<bool(const std::string&)>& match,
                                    std::chrono::milliseconds timeout);
    std::optional<std::string> TakeStartingWith(const std::string& prefix, std::chrono::milliseconds timeout);
    // Whether a pending line matches (nothing is removed).
    bool HasPending(const std::function<bool(const std::string&)>& match);
    void DropPending();
    std::vector<std::string> History();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> pending_;
    std::vector<std::string> history_;
    bool closed_ = false;
};

}  // namespace korvane::e2e
