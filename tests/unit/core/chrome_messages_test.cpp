#include "core/chrome_messages.h"
#include "core/windows.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

class ChromeMessagesTest : public CoreTest {
protected:
    void open(std::vector<SessionTab> tabs, std::size_t active) {
        create_window(app, WindowKind::normal, std::move(tabs), active);
    }
    void send(UiMsg msg, std::size_t window = 0) {
        handle_ui_message(app, window, std::move(msg), flow);
    }
    std::vector<std::string> titles() {
        std::vector<std::string> result;
        for (const Tab& t : app.windows[0].tabs) {
            result.push_back(t.title);
        }
        return result;
    }

    ControlFlow flow = ControlFlow::wait;
};

TEST_F(ChromeMessagesTest, ReadyRendersAndFocusesTheAddressOnTheNewTabPage) {
    open({}, 0);
    send(msg::Ready{});
    EXPECT_TRUE(app.windows[0].ready_seen);
    EXPECT_EQ(page_calls(chrome()).size(), 2u);
    EXPECT_EQ(page_calls(chrome()).back(), "focusOmnibox()");
    EXPECT_TRUE(chrome().focused);

    open({{"https://a.test/", ""}}, 0);
    send(msg::Ready{}, 1);
    ASSERT_EQ(page_calls(chrome(1)).size(), 1u);
    EXPECT_TRUE(page_calls(chrome(1))[0].starts_with("render("));
}

TEST_F(ChromeMessagesTest, MoveTabKeepsTheActiveTab) {
    struct Case {
        std::size_t active;
        std::string moved;
        std::uint64_t to;
        std::vector<std::string> order;
        std::size_t then_active;
    };
    const Case cases[] = {
        {0, "A", 2, {"B", "C", "A"}, 2},
        {0, "A", 99, {"B", "C", "A"}, 2},
        {2, "A", 1, {"B", "A", "C"}, 2},
        {1, "C", 0, {"C", "A", "B"}, 2},
    };
    for (const Case& c : cases) {
        app.windows.clear();
        open({{"https://a.test/", "A"}, {"https://b.test/", "B"}, {"https://c.test/", "C"}},
             c.active);
        make_ready(0);
        const std::string active_title = tab(0, c.active).title;
        const std::size_t moved = std::string("ABC").find(c.moved);
        send(msg::MoveTab{tab(0, moved).id, c.to});
        EXPECT_EQ(titles(), c.order) << c.moved << " to " << c.to;
        EXPECT_EQ(app.windows[0].active, c.then_active);
        EXPECT_EQ(tab(0, app.windows[0].active).title, active_title);
    }
    // An unknown id changes nothing but renders again.
    const std::size_t before = renders(chrome()).size();
    send(msg::MoveTab{999, 0});
    EXPECT_EQ(renders(chrome()).size(), before + 1);
}

TEST_F(ChromeMessagesTest, ClosingTheLastTabClosesTheWindow) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}}, 0);
    make_ready(0);
    send(msg::SelectTab{tab(0, 1).id});
    EXPECT_EQ(app.windows[0].active, 1u);
    send(msg::SelectTab{999});
    EXPECT_EQ(app.windows[0].active, 1u);
    send(msg::CloseTab{tab(0, 1).id});
    send(msg::CloseTab{tab(0, 0).id});
    EXPECT_TRUE(app.windows.empty());
    EXPECT_EQ(app.closed_tabs, (std::deque<std::string>{"https://b.test/", "https://a.test/"}));
}

TEST_F(ChromeMessagesTest, OverlayLiftsTheChromeOverThePage) {
    open({}, 0);
    dynamic_cast<FakeWindow&>(*app.windows[0].window).size = {1000, 700};
    send(msg::Overlay{true});
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1000, 700}));
    EXPECT_EQ(chrome().stack_index(), 1); // above the tab's view
    send(msg::Findbar{true});
    EXPECT_EQ(fake(tab(0, 0).webview).rect, (platform::Rect{0, 126, 1000, 574}));
    send(msg::Overlay{false});
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1000, 126}));
    send(msg::Findbar{false});
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1000, 86}));
    EXPECT_EQ(fake(tab(0, 0).webview).rect, (platform::Rect{0, 86, 1000, 614}));
}

TEST_F(ChromeMessagesTest, NavigateLoadsInTheActiveTabOrANewOne) {
    open({{"https://a.test/", "A"}}, 0);
    make_ready(0);
    send(msg::Navigate{"example.com", false});
    EXPECT_EQ(tab(0, 0).url, "https://example.com/");
    EXPECT_EQ(fake(tab(0, 0).webview).calls.back(), "focus");
    send(msg::OpenUrl{"corvane://newtab/", true});
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://example.com/", "corvane://newtab/"}));
    EXPECT_EQ(app.windows[0].active, 1u);

    for (const std::string& text :
         std::vector<std::string>{"   ", "JavaScript:alert(1)", std::string(8193, 'a')}) {
        send(msg::Navigate{text, true});
    }
    EXPECT_EQ(app.windows[0].tabs.size(), 2u);
    const std::vector<std::string> calls = page_calls(chrome());
    EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
              (std::vector<std::string>{R"(toast("Blocked: empty"))",
                                        R"(toast("Blocked: blocked scheme"))",
                                        R"(toast("Blocked: too long"))"}));
}

TEST_F(ChromeMessagesTest, NavigatingASleepingTabWakesItOnTheNewUrl) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}}, 1);
    app.windows[0].active = 0; // asleep and active, as after a failed wake
    send(msg::Navigate{"https://c.test/x", false});
    ASSERT_TRUE(tab(0, 0).webview);
    EXPECT_EQ(fake(tab(0, 0).webview).options.url, "https://c.test/x");
    // With a new tab the sleeping one stays asleep.
    app.windows[0].tabs[0].webview.reset();
    send(msg::Navigate{"https://d.test/", true});
    EXPECT_FALSE(tab(0, 0).webview);
    EXPECT_EQ(tab(0, 1).url, "https://d.test/");
}

} // namespace
} // namespace corvane::test
