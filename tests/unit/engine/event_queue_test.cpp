#include "engine/user_event.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// Posting from other threads, in order, and the wake: integration/platform/platform_test.
TEST(EventQueue, ClosedQueueDropsWhatWaitsAndRefusesPosts) {
    const auto queue = std::make_shared<UserEventQueue>(nullptr);
    const EventLoopProxy proxy(queue);
    EXPECT_TRUE(proxy.send_event(event::MenuCommand{"newTab"}));
    queue->close();
    EXPECT_FALSE(queue->pop());
    EXPECT_FALSE(proxy.send_event(event::MenuCommand{"quit"}));
    EXPECT_FALSE(EventLoopProxy().send_event(event::SelfTest{"x"}));
}

} // namespace
} // namespace corvane
