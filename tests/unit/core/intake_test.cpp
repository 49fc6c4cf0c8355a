// The chrome page's message intake as the core relies on it: where a message may come from, the
// size gate, and the two window gestures that act at once instead of being posted.
#include "engine/user_event.h"
#include "engine/webviews.h"
#include "fake/fake_platform.h"

#include <gtest/gtest.h>

namespace corvane::test {
namespace {

class IntakeTest : public ::testing::Test {
protected:
    void send(const std::string& body, const std::string& page = "corvane://ui/index.html") {
        ipc_handler(EventLoopProxy(queue), window, 77, body, page);
    }
    std::vector<UserEvent> posted() {
        std::vector<UserEvent> events;
        while (std::optional<UserEvent> event = queue->pop()) {
            events.push_back(std::move(*event));
        }
        return events;
    }
    // A "back" message padded to exactly size bytes.
    static std::string back_of_size(std::size_t size) {
        const std::string head = R"({"t":"back","pad":")";
        return head + std::string(size - head.size() - 2, 'x') + "\"}";
    }

    std::shared_ptr<UserEventQueue> queue = std::make_shared<UserEventQueue>(nullptr);
    std::shared_ptr<FakeWindow> window =
        std::make_shared<FakeWindow>(77, platform::WindowOptions{});
};

TEST_F(IntakeTest, OnlyTheBrowsersOwnPagesAreHeard) {
    const std::pair<std::string, bool> pages[] = {
        {"corvane://ui/index.html", true},
        {"corvane://ui/devtools.html", true},
        {"corvane://newtab/", false},
        {"corvane://ui", false},
        {"corvane://uix/index.html", false},
        {"CORVANE://ui/index.html", false},
        {"http://127.0.0.1/corvane://ui/", false},
    };
    for (const auto& [page, heard] : pages) {
        send(R"({"t":"reload"})", page);
        EXPECT_EQ(posted().size(), heard ? 1u : 0u) << page;
    }
}

TEST_F(IntakeTest, OnlyTheDeveloperToolsViewMayAskForItsMessages) {
    for (const char* body : {R"({"t":"devEval","id":1,"code":"1"})", R"({"t":"devClose"})"}) {
        send(body, "corvane://ui/devtools.html"); // the chrome view showing that page
        ipc_handler(EventLoopProxy(queue), window, 77, body, "corvane://ui/devtools.html",
                    UiPage::devtools);
        EXPECT_EQ(posted().size(), 1u) << body;
    }
}

TEST_F(IntakeTest, MessagesArePostedWithTheirWindowUpToTheSizeLimit) {
    send(back_of_size(65536));
    send(back_of_size(65537));
    send(R"({"t":"closeTab","id":-1})");
    send(R"(["closeTab",3])");
    std::vector<UserEvent> events = posted();
    ASSERT_EQ(events.size(), 2u);
    const auto& first = std::get<event::UiMessage>(events[0]);
    EXPECT_EQ(first.window, 77u);
    EXPECT_TRUE(std::holds_alternative<msg::Back>(first.msg));
    const auto& second = std::get<event::UiMessage>(events[1]);
    EXPECT_EQ(std::get<msg::CloseTab>(second.msg).id, 3u);
}

TEST_F(IntakeTest, WindowGesturesActAtOnceAndAreNeverPosted) {
    send(R"({"t":"drag"})");
    EXPECT_EQ(window->drags, 1);
    send(R"({"t":"zoomWindow"})");
    EXPECT_TRUE(window->maximized);
    send(R"({"t":"zoomWindow"})");
    EXPECT_FALSE(window->maximized);
    EXPECT_TRUE(posted().empty());
    // A window that is going away: nothing happens and nothing is posted.
    std::weak_ptr<FakeWindow> gone = window;
    window.reset();
    ipc_handler(EventLoopProxy(queue), gone, 77, R"({"t":"drag"})", "corvane://ui/index.html");
    EXPECT_TRUE(posted().empty());
}

} // namespace
} // namespace corvane::test
