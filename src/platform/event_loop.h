#pragma once

// The main loop's user-event queue. Producers on any thread post through an EventLoopProxy; the
// main loop is woken and drains the queue in posting order, one event at a time. The queue is
// generic so the toolkit layer never needs to know the core's event type.

#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace corvane::platform {

using Instant = std::chrono::steady_clock::time_point;

// Wakes the main loop so it drains the queue. Safe to call from any thread, also after the loop
// has ended (it then does nothing).
class Waker {
public:
    virtual ~Waker() = default;
    virtual void wake() = 0;
};

template <typename Event>
class EventQueue {
public:
    explicit EventQueue(std::shared_ptr<Waker> waker) : waker_(std::move(waker)) {}
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    // False once the queue is closed (the event loop has ended); the event is then dropped.
    bool push(Event event) {
        {
            std::lock_guard lock(mutex_);
            if (closed_) {
                return false;
            }
            events_.push_back(std::move(event));
        }
        if (waker_) {
            waker_->wake();
        }
        return true;
    }

    std::optional<Event> pop() {
        std::lock_guard lock(mutex_);
        if (events_.empty()) {
            return std::nullopt;
        }
        std::optional<Event> event(std::move(events_.front()));
        events_.pop_front();
        return event;
    }

    // Ends the queue: pending events are dropped and later posts fail.
    void close() {
        std::deque<Event> dropped;
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(events_);
    }

    bool closed() const {
        std::lock_guard lock(mutex_);
        return closed_;
    }

    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return events_.size();
    }

private:
    mutable std::mutex mutex_;
    std::deque<Event> events_;
    bool closed_ = false;
    std::shared_ptr<Waker> waker_;
};

// A cheap, copyable handle for posting events to the main loop from any thread.
template <typename Event>
class EventLoopProxy {
public:
    EventLoopProxy() = default;
    explicit EventLoopProxy(std::shared_ptr<EventQueue<Event>> queue) : queue_(std::move(queue)) {}

    // False when the event loop has ended (or the proxy is empty); the event is dropped.
    bool send_event(Event event) const { return queue_ && queue_->push(std::move(event)); }

    const std::shared_ptr<EventQueue<Event>>& queue() const { return queue_; }

private:
    std::shared_ptr<EventQueue<Event>> queue_;
};

} // namespace corvane::platform
