#include "app/handler_turns.h"

namespace korvane {

void HandlerTurns::Notify(std::function<void()> notification, bool fromRunningHandler)
{
    waiting_.push_back(std::move(notification));
    if (!running_) {
        Run([this] { RunAllWaiting(); });
    } else if (fromRunningHandler) {
        RunAllWaiting();
    }
}

void HandlerTurns::RunWaiting()
{
    if (!running_) {
        Run([this] { RunAllWaiting(); });
    }
}

void HandlerTurns::RunAllWaiting()
{
    while (!waiting_.empty()) {
        const std::function<void()> next = std::move(waiting_.front());
        waiting_.pop_front();
        next();
    }
}

}  // namespace korvane
