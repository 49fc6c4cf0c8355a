#include "engine/user_event.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace corvane {
namespace {

class CountingWaker final : public platform::Waker {
public:
    void wake() override { ++wakes; }
    std::atomic<int> wakes{0};
};

TEST(EventQueue, KeepsPostingOrderAcrossThreadsAndWakesPerPost) {
    auto waker = std::make_shared<CountingWaker>();
    auto queue = std::make_shared<UserEventQueue>(waker);
    EventLoopProxy proxy(queue);
    std::vector<std::thread> producers;
    for (TabId producer = 0; producer < 4; ++producer) {
        producers.emplace_back([proxy, producer] {
            for (TabId n = 0; n < 1000; ++n) {
                proxy.send_event(event::PageLoad{"", producer * 100000 + n, true});
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    EXPECT_EQ(waker->wakes, 4000);
    std::vector<TabId> last(4, 0);
    std::vector<bool> seen(4, false);
    std::size_t count = 0;
    while (auto event = queue->pop()) {
        TabId tab = std::get<event::PageLoad>(*event).tab;
        std::size_t producer = tab / 100000;
        if (seen[producer]) {
            EXPECT_GT(tab, last[producer]) << "events of one producer arrive in order";
        }
        seen[producer] = true;
        last[producer] = tab;
        ++count;
    }
    EXPECT_EQ(count, 4000u);
}

TEST(EventQueue, ClosedQueueDropsPendingAndRefusesPosts) {
    auto queue = std::make_shared<UserEventQueue>(nullptr);
    EventLoopProxy proxy(queue);
    EXPECT_TRUE(proxy.send_event(event::MenuCommand{"newTab"}));
    queue->close();
    EXPECT_FALSE(queue->pop().has_value());
    EXPECT_FALSE(proxy.send_event(event::MenuCommand{"quit"}));
    EXPECT_FALSE(EventLoopProxy().send_event(event::SelfTest{"x"}));
}

} // namespace
} // namespace corvane
