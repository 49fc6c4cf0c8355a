#include "core/event_loop.h"
#include "core/windows.h"
#include "fake/fake_platform.h"
#include "fake/fake_web_view.h"
#include "store/store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace corvane::test {
namespace {

class EventLoopTest : public ::testing::Test {
protected:
    // A handler over a store in a temporary folder; prepare() may change the store first.
    void make_handler(std::vector<std::string> open_args,
                      const std::function<void(Store&)>& prepare = {},
                      WindowRequest request = WindowRequest::none) {
        Store store = load_store(dir / "data", [] { return 1'700'000'000; });
        if (prepare) {
            prepare(store);
        }
        App app = make_app(platform, EventLoopProxy(queue), std::move(store));
        app.clock = [this] {
            return now;
        };
        handler = std::make_unique<EventLoopHandler>(std::move(app), std::move(open_args), queue,
                                                     platform.app, request);
    }
    App& app() { return handler->app(); }
    std::vector<std::string> urls(std::size_t window) {
        std::vector<std::string> result;
        for (const Tab& tab : app().windows.at(window).tabs) {
            result.push_back(tab.url);
        }
        return result;
    }
    std::vector<bool> awake(std::size_t window) {
        std::vector<bool> result;
        for (const Tab& tab : app().windows.at(window).tabs) {
            result.push_back(tab.webview != nullptr);
        }
        return result;
    }
    void post(UserEvent event) {
        queue->push(std::move(event));
        handler->wake();
    }

    TempDir dir;
    FakePlatform platform;
    std::shared_ptr<UserEventQueue> queue = std::make_shared<UserEventQueue>(platform.app.waker());
    Instant now = Instant{} + std::chrono::hours(1000);
    std::unique_ptr<EventLoopHandler> handler;
};

Store& with_two_session_windows(Store& store) {
    store.session = {
        {{{"https://a.test/", "A"}, {"https://b.test/", "B"}}, 1},
        {{{"https://c.test/", "C"}}, 5},
    };
    return store;
}

TEST_F(EventLoopTest, RestoredSessionTakesArgumentsAsTabsOfTheLastWindow) {
    make_handler({"example.com"}, [](Store& s) { with_two_session_windows(s); });
    handler->start();
    ASSERT_EQ(app().windows.size(), 2u);
    EXPECT_EQ(urls(0), (std::vector<std::string>{"https://a.test/", "https://b.test/"}));
    EXPECT_EQ(awake(0), (std::vector<bool>{false, true}));
    EXPECT_EQ(urls(1), (std::vector<std::string>{"https://c.test/", "https://example.com/"}));
    EXPECT_EQ(app().windows[1].active, 1u);
    EXPECT_EQ(app().windows[0].tabs[0].title, "A");
    // The second start event changes nothing.
    handler->start();
    EXPECT_EQ(app().windows.size(), 2u);
}

TEST_F(EventLoopTest, WithoutSessionTheFirstArgumentOpensTheWindow) {
    struct Case {
        bool restore;
        std::vector<std::string> args;
        std::vector<std::string> tabs;
    };
    const Case cases[] = {
        {false, {}, {"corvane://newtab/"}},
        {true, {}, {"https://a.test/", "https://b.test/"}},
        {false,
         {"example.com", "http://localhost:8080/x"},
         {"https://example.com/", "http://localhost:8080/x"}},
        {false, {"two words"}, {"https://duckduckgo.com/?q=two+words"}},
        // A refused first argument opens the new tab page; the rest still open.
        {false, {"", "b.test"}, {"corvane://newtab/", "https://b.test/"}},
        {false, {std::string(8193, 'a'), "javascript:x"}, {"corvane://newtab/"}},
    };
    for (const Case& c : cases) {
        make_handler(c.args, [&c](Store& s) {
            with_two_session_windows(s).session.pop_back();
            s.settings.restore_session = c.restore;
        });
        handler->start();
        ASSERT_EQ(app().windows.size(), 1u);
        EXPECT_EQ(urls(0), c.tabs) << (c.args.empty() ? "" : c.args[0].substr(0, 20));
        handler.reset();
    }
}

TEST_F(EventLoopTest, TickRunsEveryThirtySecondsAndSetsTheDeadline) {
    make_handler({});
    handler->start();
    EXPECT_EQ(platform.app.deadline, now + std::chrono::seconds(30));
    app().store.settings.sleep_after_mins = 0;
    app().store.settings_dirty = true;
    now += std::chrono::seconds(29);
    handler->wake();
    EXPECT_TRUE(app().store.settings_dirty);
    now += std::chrono::seconds(1);
    handler->wake();
    // sleep_after_mins 0 asks no tab, but the store is still written.
    EXPECT_FALSE(app().store.settings_dirty);
    EXPECT_TRUE(std::filesystem::exists(app().store.dir / "settings.json"));
    EXPECT_EQ(platform.app.deadline, now + std::chrono::seconds(30));
}

TEST_F(EventLoopTest, QuitOrTheLoopsEndSavesTheSessionAndQuitDropsLaterEvents) {
    make_handler({"https://a.test/", "https://b.test/"});
    handler->start();
    handler->loop_destroyed();
    ASSERT_EQ(app().store.session.size(), 1u);
    EXPECT_EQ(app().store.session[0].tabs.size(), 2u);
    EXPECT_EQ(app().store.session[0].active, 1u);

    make_handler({"https://a.test/"}, [](Store& s) { s.session.clear(); });
    handler->start();
    queue->push(event::MenuCommand{"quit"});
    queue->push(event::MenuCommand{"newWindow"});
    handler->wake();
    EXPECT_EQ(platform.app.quit_code, 0);
    EXPECT_EQ(app().windows.size(), 1u);
    EXPECT_EQ(read_file(app().store.dir / "session.json"),
              R"([{"tabs":[{"url":"https://a.test/","title":""}],"active":0}])");
}

TEST_F(EventLoopTest, WindowEventsLayOutCloseAndFocus) {
    make_handler({});
    handler->start();
    create_window(app(), WindowKind::normal, {}, 0);
    const WindowId first = app().windows[0].id();
    app().windows[0].ready_seen = true;
    auto& system_window = dynamic_cast<FakeWindow&>(*app().windows[0].window);
    auto& chrome = dynamic_cast<FakeWebView&>(*app().windows[0].chrome);

    system_window.size = {700, 500};
    ASSERT_TRUE(system_window.on_resized);
    system_window.on_resized({700, 500});
    EXPECT_EQ(chrome.rect, (platform::Rect{0, 0, 700, 86}));
    EXPECT_EQ(chrome.scripts.back().script.rfind("window.CV&&CV.render(", 0), 0u);

    system_window.on_focus_changed(true);
    EXPECT_EQ(app().focused, first);
    system_window.on_focus_changed(false);
    EXPECT_EQ(app().focused, first);

    handler->window_event({999, WindowEventKind::close_requested});
    EXPECT_EQ(app().windows.size(), 2u);
    system_window.on_close_requested();
    ASSERT_EQ(app().windows.size(), 1u);
    EXPECT_NE(app().windows[0].id(), first);
}

TEST_F(EventLoopTest, SecondLaunchOpensTabsOrReopens) {
    make_handler({});
    handler->start();
    handler->remote_command_line({{"corvane", "--flag", "example.org"}, true, "/"});
    EXPECT_EQ(urls(0), (std::vector<std::string>{"corvane://newtab/", "https://example.org/"}));
    // A reopen request with a window open does nothing, hidden or not.
    handler->remote_command_line({{"corvane"}, true, "/"});
    EXPECT_EQ(app().windows.size(), 1u);

    close_window(app(), 0);
    platform.app.visible_windows = true;
    handler->remote_command_line({{"corvane"}, true, "/"});
    EXPECT_TRUE(app().windows.empty());
    platform.app.visible_windows = false;
    handler->remote_command_line({{"corvane"}, true, "/"});
    EXPECT_EQ(urls(0), (std::vector<std::string>{"corvane://newtab/"}));

    // Without a window a URL opens one, resolved as typed text is.
    close_window(app(), 0);
    handler->remote_command_line({{"corvane", "example.net", "example.com"}, true, "/"});
    ASSERT_EQ(app().windows.size(), 1u);
    EXPECT_EQ(urls(0), (std::vector<std::string>{"https://example.net/", "https://example.com/"}));
}

// The desktop entry's action: a private window, after the restored session, holding
// the launch's URLs.
TEST_F(EventLoopTest, WindowRequestsOpenTheirOwnWindowWithTheirUrls) {
    make_handler({"example.com"}, with_two_session_windows, WindowRequest::private_window);
    handler->start();
    ASSERT_EQ(app().windows.size(), 3u);
    EXPECT_TRUE(app().windows[2].is_private);
    EXPECT_EQ(urls(2), (std::vector<std::string>{"https://example.com/"}));
    handler->remote_command_line({{"corvane", "--private-window", "a.test", "b.test"}, true, "/"});
    ASSERT_EQ(app().windows.size(), 4u);
    EXPECT_TRUE(app().windows[3].is_private);
    EXPECT_EQ(urls(3), (std::vector<std::string>{"https://a.test/", "https://b.test/"}));
}

TEST_F(EventLoopTest, HelpItemsOpenTheMakersPages) {
    make_handler({});
    handler->start();
    post(event::MenuCommand{"helpPrivacy"});
    EXPECT_EQ(urls(0),
              (std::vector<std::string>{"corvane://newtab/", std::string(kHelpPrivacyUrl)}));
    close_window(app(), 0);
    post(event::MenuCommand{"helpSite"});
    EXPECT_EQ(urls(0), (std::vector<std::string>{std::string(kHelpSiteUrl)}));
}

} // namespace
} // namespace corvane::test
