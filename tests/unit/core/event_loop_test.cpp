#include "core/event_loop.h"
#include "core/windows.h"
#include "fake/fake_platform.h"
#include "fake/fake_web_view.h"
#include "store/store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace corvane::test {
namespace {

using Urls = std::vector<std::string>;

class EventLoopTest : public ::testing::Test {
protected:
    // A started handler over a store holding a session of windows {a, b} (b active) and {c}.
    void start(Urls args, std::size_t session_windows = 2, bool restore = true,
               WindowRequest request = WindowRequest::none) {
        handler.reset();
        Store store = load_store(dir / "data", [] { return 1'700'000'000; });
        store.session = {{{{"https://a.test/", "A"}, {"https://b.test/", "B"}}, 1},
                         {{{"https://c.test/", "C"}}, 5}};
        store.session.resize(session_windows);
        store.settings.restore_session = restore;
        App app = make_app(platform, EventLoopProxy(queue), std::move(store));
        app.clock = [this] {
            return now;
        };
        handler = std::make_unique<EventLoopHandler>(std::move(app), std::move(args), queue,
                                                     platform.app, request);
        handler->start();
    }
    App& app() { return handler->app(); }
    // Each window's tabs, a sleeping one marked with a trailing "z".
    std::vector<Urls> tabs() {
        std::vector<Urls> windows;
        for (const BrowserWindow& window : app().windows) {
            windows.emplace_back();
            for (const Tab& tab : window.tabs) {
                windows.back().push_back(tab.url + (tab.webview ? "" : "z"));
            }
        }
        return windows;
    }
    void remote(Urls args) { handler->remote_command_line({std::move(args), true, "/"}); }

    TempDir dir;
    FakePlatform platform;
    std::shared_ptr<UserEventQueue> queue = std::make_shared<UserEventQueue>(platform.app.waker());
    Instant now = Instant{} + std::chrono::hours(1000);
    std::unique_ptr<EventLoopHandler> handler;
};

TEST_F(EventLoopTest, StartUpRestoresTheSessionThenOpensTheArguments) {
    struct Case {
        std::size_t session_windows;
        bool restore;
        WindowRequest request;
        Urls args;
        std::vector<Urls> tabs;
    };
    const auto none = WindowRequest::none;
    const std::string a = "https://a.test/z", b = "https://b.test/", c = "https://c.test/",
                      ex = "https://example.com/", newtab = "corvane://newtab/";
    const Case cases[] = {
        // Restored windows take every argument as tabs of the last one, the active tab awake.
        {2, true, none, {"example.com"}, {{a, b}, {c, ex}}},
        {1, true, none, {}, {{a, b}}},
        {1, false, none, {}, {{newtab}}},
        // Otherwise the first argument opens the window, resolved as typed text is.
        {1, false, none, {"example.com", "http://127.0.0.1/x"}, {{ex, "http://127.0.0.1/x"}}},
        {0, true, none, {"two words"}, {{"https://duckduckgo.com/?q=two+words"}}},
        // A refused first argument opens the new tab page; the rest still open.
        {0, true, none, {"", "b.test"}, {{newtab, b}}},
        {0, true, none, {std::string(8193, 'a'), "javascript:x"}, {{newtab}}},
        // The desktop entry's action: a private window after the session, with the URLs.
        {2, true, WindowRequest::private_window, {"example.com", "b.test"}, {{a, b}, {c}, {ex, b}}},
    };
    for (const Case& row : cases) {
        start(row.args, row.session_windows, row.restore, row.request);
        EXPECT_EQ(tabs(), row.tabs) << (row.args.empty() ? "" : row.args[0].substr(0, 20));
        EXPECT_EQ(app().windows.back().active, row.tabs.back().size() - 1) << "the last opened";
    }
    EXPECT_TRUE(app().windows[2].is_private);
    EXPECT_EQ(app().windows[0].tabs[0].title, "A");
    handler->start(); // a second start changes nothing
    EXPECT_EQ(app().windows.size(), 3u);
}

TEST_F(EventLoopTest, TickRunsEveryThirtySecondsAndWritesTheStore) {
    start({});
    EXPECT_EQ(platform.app.deadline, now + std::chrono::seconds(30));
    app().store.settings.sleep_after_mins = 0;
    app().store.settings_dirty = true;
    now += std::chrono::seconds(29);
    handler->wake();
    EXPECT_TRUE(app().store.settings_dirty);
    now += std::chrono::seconds(1);
    handler->wake();
    EXPECT_FALSE(app().store.settings_dirty) << "written even when no tab is asked to sleep";
    EXPECT_EQ(platform.app.deadline, now + std::chrono::seconds(30));
}

TEST_F(EventLoopTest, WindowEventsLayOutCloseAndFocus) {
    start({}, 0);
    create_window(app(), WindowKind::normal, {}, 0);
    const WindowId first = app().windows[0].id();
    app().windows[0].ready_seen = true;
    auto& system_window = dynamic_cast<FakeWindow&>(*app().windows[0].window);
    auto& chrome = dynamic_cast<FakeWebView&>(*app().windows[0].chrome);
    system_window.size = {700, 500};
    system_window.on_resized({700, 500});
    EXPECT_EQ(chrome.rect, (platform::Rect{0, 0, 700, 86}));
    EXPECT_TRUE(chrome.scripts.back().script.starts_with("window.CV&&CV.render("));
    system_window.on_focus_changed(true);
    system_window.on_focus_changed(false);
    EXPECT_EQ(app().focused, first) << "losing the focus keeps the window current";
    handler->window_event({999, WindowEventKind::close_requested});
    EXPECT_EQ(app().windows.size(), 2u);
    system_window.on_close_requested();
    ASSERT_EQ(app().windows.size(), 1u);
    EXPECT_NE(app().windows[0].id(), first);
}

TEST_F(EventLoopTest, LaterLaunchesOpenTabsOrReopenHelpItemsOpenTheMakersPagesQuitEnds) {
    start({}, 0);
    remote({"corvane", "--flag", "example.org"});
    remote({"corvane"}); // a reopen request with a window open does nothing
    EXPECT_EQ(tabs(), (std::vector<Urls>{{"corvane://newtab/", "https://example.org/"}}));
    close_window(app(), 0);
    platform.app.visible_windows = true; // hidden ones
    remote({"corvane"});
    EXPECT_TRUE(app().windows.empty());
    platform.app.visible_windows = false;
    remote({"corvane"});
    EXPECT_EQ(tabs(), (std::vector<Urls>{{"corvane://newtab/"}}));
    close_window(app(), 0);
    remote({"corvane", "example.net", "example.com"}); // resolved as typed text is
    remote({"corvane", "--private-window", "a.test", "b.test"});
    EXPECT_EQ(tabs(), (std::vector<Urls>{{"https://example.net/", "https://example.com/"},
                                         {"https://a.test/", "https://b.test/"}}));
    EXPECT_TRUE(app().windows[1].is_private);

    queue->push(event::MenuCommand{"helpPrivacy"});
    handler->wake();
    EXPECT_EQ(tabs()[1].back(), kHelpPrivacyUrl);
    close_window(app(), 1);
    close_window(app(), 0);
    queue->push(event::MenuCommand{"helpSite"});
    handler->wake();
    EXPECT_EQ(tabs(), (std::vector<Urls>{{std::string(kHelpSiteUrl)}}));
    // Quit drops what was posted after it. Saving at the loop's end: browser_test; what quit
    // writes: commands_test.
    queue->push(event::MenuCommand{"quit"});
    queue->push(event::MenuCommand{"newWindow"});
    handler->wake();
    EXPECT_EQ(std::tuple(platform.app.quit_code, app().windows.size()), std::tuple(0, 1u));
}

} // namespace
} // namespace corvane::test
