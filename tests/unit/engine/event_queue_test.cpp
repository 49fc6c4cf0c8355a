#include "engine/user_event.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>
#include <thread>

namespace corvane::test {
namespace {

// One thread's posts and the wake: integration/platform/loop_test on the real loop.
TEST(EventQueue, KeepsEachThreadsOrderWakesPerPostAndRefusesPostsOnceClosed) {
    const auto waker = std::make_shared<FakeWaker>();
    const auto queue = std::make_shared<UserEventQueue>(waker);
    const EventLoopProxy proxy(queue);
    const auto post = [proxy](TabId first) {
        for (TabId n = first; n < first + 1000; ++n) {
            proxy.send_event(event::PageLoad{"", n, true});
        }
    };
    std::vector<TabId> next{0, 10'000, 20'000};
    {
        const std::jthread threads[] = {std::jthread(post, 0), std::jthread(post, 10'000),
                                        std::jthread(post, 20'000)};
    }
    while (const auto event = queue->pop()) {
        const TabId tab = std::get<event::PageLoad>(*event).tab;
        EXPECT_EQ(tab, next[tab / 10'000]++) << "one thread's events arrive in order";
    }
    EXPECT_EQ(next, (std::vector<TabId>{1000, 11'000, 21'000}));
    EXPECT_EQ(waker->wakes, 3000);
    queue->push(event::MenuCommand{"newTab"});
    queue->close();
    EXPECT_FALSE(queue->pop());
    EXPECT_FALSE(proxy.send_event(event::MenuCommand{"quit"}));
    EXPECT_FALSE(EventLoopProxy().send_event(event::SelfTest{"x"}));
}

} // namespace
} // namespace corvane::test
