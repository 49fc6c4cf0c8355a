#include "engine/user_event.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>
#include <thread>

namespace corvane {

// Several threads post at once: each post wakes the loop once, each thread's posts keep their
// order, none is lost. The real loop's waker: every integration/core test's events come by it.
TEST(EventQueue, PostsFromManyThreadsWakeOnceEachInOrderAndAClosedQueueRefuses) {
    const auto waker = std::make_shared<test::FakeWaker>();
    const auto queue = std::make_shared<UserEventQueue>(waker);
    const EventLoopProxy proxy(queue);
    std::vector<std::jthread> threads;
    for (TabId thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&proxy, thread] {
            for (TabId n = 0; n < 1000; ++n) {
                proxy.send_event(event::PageLoad{"", thread * 10000 + n, true});
            }
        });
    }
    threads.clear();
    EXPECT_EQ(waker->wakes, 4000);
    std::vector<TabId> next = {0, 10000, 20000, 30000};
    while (const auto posted = queue->pop()) {
        const TabId tab = std::get<event::PageLoad>(*posted).tab;
        EXPECT_EQ(tab, next.at(tab / 10000)++);
    }
    EXPECT_EQ(next, (std::vector<TabId>{1000, 11000, 21000, 31000}));

    EXPECT_TRUE(proxy.send_event(event::MenuCommand{"newTab"}));
    queue->close();
    EXPECT_FALSE(queue->pop());
    EXPECT_FALSE(proxy.send_event(event::MenuCommand{"quit"}));
    EXPECT_FALSE(EventLoopProxy().send_event(event::SelfTest{"x"}));
}

} // namespace corvane
