#include "line_queue.h"

#include <algorithm>

namespace korvane::e2e {

void LineQueue::Push(std::string line)
{
    {
        const std::lock_guard lock(mutex_);
        history_.push_back(line);
        pending_.push_back(std::move(line));
    }
    changed_.notify_all();
}

void LineQueue::Close()
{
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

std::optional<std::string> LineQueue::Take(const std::function<bool(const std::string&)>& match,
                                           std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        const auto found = std::find_if(pending_.begin(), pending_.end(), match);
        if (found != pending_.end()) {
            std::string line = *found;
            pending_.erase(found);
            return line;
        }
        if (closed_ || changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
            const auto late = std::find_if(pending_.begin(), pending_.end(), match);
            if (late == pending_.end()) {
                return std::nullopt;
            }
            std::string line = *late;
            pending_.erase(late);
            return line;
        }
    }
}

std::optional<std::string> LineQueue::TakeStartingWith(const std::string& prefix, std::chrono::milliseconds timeout)
{
    return Take([&](const std::string& line) { return line.rfind(prefix, 0) == 0; }, timeout);
}

bool LineQueue::HasPending(const std::function<bool(const std::string&)>& match)
{
    const std::lock_guard lock(mutex_);
    return std::any_of(pending_.begin(), pending_.end(), match);
}

void LineQueue::DropPending()
{
    const std::lock_guard lock(mutex_);
    pending_.clear();
}

std::vector<std::string> LineQueue::History()
{
    const std::lock_guard lock(mutex_);
    return history_;
}

}  // namespace korvane::e2e
