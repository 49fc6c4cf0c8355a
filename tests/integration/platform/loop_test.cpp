// The application's event source: posts from other threads and the deadline wake the loop.
#include "platform_harness.h"

#include <atomic>
#include <thread>

namespace corvane::test {
namespace {

TEST(EventLoop, PostsFromAnotherThreadWakeTheLoopInOrder) {
    platform::Application& app = shared_platform().application();
    auto queue = std::make_shared<platform::EventQueue<int>>(app.waker());
    std::vector<int> handled;
    app.on_wake = [&] {
        while (auto value = queue->pop()) {
            handled.push_back(*value);
        }
    };
    std::thread producer([queue] {
        for (int n = 0; n < 500; ++n) {
            queue->push(n);
        }
    });
    producer.join();
    ASSERT_TRUE(wait_until([&] { return handled.size() == 500; }, 5000ms));
    for (int n = 0; n < 500; ++n) {
        ASSERT_EQ(handled[static_cast<std::size_t>(n)], n);
    }
    app.on_wake = nullptr;
}

TEST(EventLoop, DeadlineWakesWithoutEventsAndIsClearedAfterwards) {
    platform::Application& app = shared_platform().application();
    int wakes = 0;
    app.on_wake = [&] {
        ++wakes;
    };
    auto start = std::chrono::steady_clock::now();
    app.set_deadline(start + 150ms);
    ASSERT_TRUE(wait_until([&] { return wakes == 1; }, 5000ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 140ms);
    pump(300ms);
    EXPECT_EQ(wakes, 1) << "a passed deadline does not keep firing";

    app.set_deadline(std::chrono::steady_clock::now() - 1s);
    EXPECT_TRUE(wait_until([&] { return wakes == 2; }, 1000ms)) << "a deadline in the past is now";
    app.on_wake = nullptr;
}

} // namespace
} // namespace corvane::test
