#pragma once

#include <deque>
#include <functional>
#include <utility>

namespace korvane {

// The window's handlers take turns: each runs to its end before the next one starts. A link
// notification that comes while a handler runs waits for a turn of its own; notifications run in
// the order they came, so that one that could run at once still runs after those waiting.
class HandlerTurns {
public:
    // turnEnded is told at the end of every turn whether notifications wait: the window then asks
    // for a turn for them (RunWaiting), before the clicks and closes it put off.
    explicit HandlerTurns(std::function<void(bool notificationsWait)> turnEnded) : turnEnded_(std::move(turnEnded)) {}

    bool Running() const { return running_; }

    // Runs the handler as the running one.
    template <typename Handler>
    void Run(Handler handler)
    {
        running_ = true;
        handler();
        running_ = false;
        turnEnded_(!waiting_.empty());
    }

    // A notification: waits while a handler runs, unless it comes from that handler's own call
    // (then it runs within it); otherwise it runs now, in a turn of its own. Either way it runs
    // after those waiting.
    void Notify(std::function<void()> notification, bool fromRunningHandler);

    // Runs the waiting notifications in a turn of their own, unless a handler runs.
    void RunWaiting();

private:
    void RunAllWaiting();

    std::function<void(bool)> turnEnded_;
    bool running_ = false;
    std::deque<std::function<void()>> waiting_;
};

}  // namespace korvane
