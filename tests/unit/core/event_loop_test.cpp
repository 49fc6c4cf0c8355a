#include "core/event_loop.h"
#include "core_fixture.h"
#include "store/store.h"

namespace corvane::test {

using Urls = std::vector<std::string>;

class EventLoopTest : public CoreTest {
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
        App started = make_app(platform, EventLoopProxy(queue), std::move(store));
        started.clock = app.clock;
        handler = std::make_unique<EventLoopHandler>(std::move(started), std::move(args), queue,
                                                     platform.app, request);
        handler->start();
    }
    App& loop() { return handler->app(); }
    // Each window's tabs, a sleeping one marked with a trailing "z".
    std::vector<Urls> tabs() {
        std::vector<Urls> windows;
        for (const BrowserWindow& window : loop().windows) {
            windows.emplace_back();
            for (const Tab& t : window.tabs) {
                windows.back().push_back(t.url + (t.webview ? "" : "z"));
            }
        }
        return windows;
    }
    void remote(Urls args) { handler->remote_command_line({std::move(args), true, "/"}); }

    std::unique_ptr<EventLoopHandler> handler;
};

TEST_F(EventLoopTest, StartUpRestoresTheSessionThenOpensTheArguments) {
    const auto none = WindowRequest::none;
    const std::string a = "https://a.test/z", b = "https://b.test/", c = "https://c.test/",
                      ex = "https://example.com/", newtab = "corvane://newtab/";
    // Session windows kept, restore, request, arguments, each window's tabs.
    const std::tuple<std::size_t, bool, WindowRequest, Urls, std::vector<Urls>> cases[] = {
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
    for (const auto& [session_windows, restore, request, args, expected] : cases) {
        start(args, session_windows, restore, request);
        EXPECT_EQ(tabs(), expected) << (args.empty() ? "" : args[0].substr(0, 20));
        EXPECT_EQ(loop().windows.back().active, expected.back().size() - 1) << "the last opened";
    }
    EXPECT_TRUE(loop().windows[2].is_private);
    EXPECT_EQ(loop().windows[0].tabs[0].title, "A");
    handler->start(); // a second start changes nothing
    EXPECT_EQ(loop().windows.size(), 3u);
}

TEST_F(EventLoopTest, TickRunsEveryThirtySecondsAndWritesTheStore) {
    start({});
    EXPECT_EQ(platform.app.deadline, now + std::chrono::seconds(30));
    loop().store.settings.sleep_after_mins = 0;
    loop().store.settings_dirty = true;
    now += std::chrono::seconds(29);
    handler->wake();
    EXPECT_TRUE(loop().store.settings_dirty);
    now += std::chrono::seconds(1);
    handler->wake();
    EXPECT_FALSE(loop().store.settings_dirty) << "written even when no tab is asked to sleep";
    EXPECT_EQ(platform.app.deadline, now + std::chrono::seconds(30));
}

TEST_F(EventLoopTest, WindowEventsLayOutCloseAndFocus) {
    start({}, 0);
    create_window(loop(), WindowKind::normal, {}, 0);
    const WindowId first = loop().windows[0].id();
    loop().windows[0].ready_seen = true;
    auto& system_window = dynamic_cast<FakeWindow&>(*loop().windows[0].window);
    system_window.size = {700, 500};
    system_window.on_resized({700, 500});
    EXPECT_EQ(fake(loop().windows[0].chrome).rect, (platform::Rect{0, 0, 700, 86}));
    EXPECT_TRUE(page_calls(fake(loop().windows[0].chrome)).back().starts_with("render("));
    system_window.on_focus_changed(true);
    system_window.on_focus_changed(false);
    EXPECT_EQ(loop().focused, first) << "losing the focus keeps the window current";
    handler->window_event({999, WindowEventKind::close_requested}); // no such window
    system_window.on_close_requested();
    handler->wake(); // the pages agree
    ASSERT_EQ(loop().windows.size(), 1u);
    EXPECT_NE(loop().windows[0].id(), first);
}

// Closing one of two windows ends nothing; closing the last one ends the browser as quit would,
// and the end of the loop keeps the session that the close saved.
TEST_F(EventLoopTest, ClosingTheLastWindowEndsTheBrowserAndKeepsItsSession) {
    start({});
    const auto system_window = [&](std::size_t index) -> FakeWindow& {
        return dynamic_cast<FakeWindow&>(*loop().windows.at(index).window);
    };
    system_window(1).on_close_requested();
    handler->wake(); // the pages agree
    EXPECT_EQ(platform.app.quit_code, std::nullopt);
    system_window(0).on_close_requested();
    handler->wake();
    EXPECT_EQ(platform.app.quit_code, 0);
    const std::filesystem::path file = loop().store.dir / "session.json";
    const std::string saved = R"([{"tabs":[{"url":"https://a.test/","title":"A"},)"
                              R"({"url":"https://b.test/","title":"B"}],"active":1}])";
    EXPECT_EQ(read_file(file), saved);
    handler->loop_destroyed();
    EXPECT_EQ(read_file(file), saved);
}

// While only private windows are open, the session the last normal window saved as it closed
// stands: the tick, quit and the end of the loop (as a signal ends it) keep it. With a normal
// window open again each of them saves.
TEST_F(EventLoopTest, OnlyPrivateWindowsLeaveTheSessionTheLastNormalWindowSaved) {
    const std::string a_and_b = R"([{"tabs":[{"url":"https://a.test/","title":"A"},)"
                                R"({"url":"https://b.test/","title":"B"}],"active":1}])";
    const std::string with_d = R"([{"tabs":[{"url":"https://a.test/","title":"A"},)"
                               R"({"url":"https://b.test/","title":"B"}],"active":1},)"
                               R"({"tabs":[{"url":"https://c.test/","title":"C"}],"active":0},)"
                               R"({"tabs":[{"url":"https://d.test/","title":"D"}],"active":0}])";
    const std::pair<const char*, std::function<void()>> ends[] = {
        {"tick",
         [&] {
             now += std::chrono::seconds(30);
             handler->wake();
         }},
        {"quit",
         [&] {
             queue->push(event::MenuCommand{"quit"});
             handler->wake();
         }},
        {"end of the loop",
         [&] {
             handler->loop_destroyed();
         }},
    };
    for (const auto& [name, end] : ends) {
        start({});
        const std::filesystem::path file = loop().store.dir / "session.json";
        create_window(loop(), WindowKind::normal, {{"https://d.test/", "D"}}, 0);
        create_window(loop(), WindowKind::private_browsing, {{"https://secret.test/", ""}}, 0);
        end();
        EXPECT_EQ(read_file(file), with_d) << name << ": normal windows are saved";

        start({});
        std::filesystem::remove(file);
        close_window(loop(), 1);
        create_window(loop(), WindowKind::private_browsing, {{"https://secret.test/", ""}}, 0);
        close_window(loop(), 0);
        EXPECT_EQ(read_file(file), a_and_b) << name << ": the last normal window saves";
        loop().store.settings_dirty = true;
        end();
        EXPECT_EQ(read_file(file), a_and_b) << name;
        EXPECT_FALSE(loop().store.settings_dirty) << name << ": the store is still written";
    }
}

TEST_F(EventLoopTest, LaterLaunchesOpenTabsOrReopenHelpItemsOpenTheirPageQuitEnds) {
    start({}, 0);
    const int presented = dynamic_cast<FakeWindow&>(*loop().windows[0].window).presents;
    remote({"corvane", "--flag", "example.org"});
    remote({"corvane"}); // a reopen request with a window open raises it
    EXPECT_EQ(tabs(), (std::vector<Urls>{{"corvane://newtab/", "https://example.org/"}}));
    EXPECT_EQ(dynamic_cast<FakeWindow&>(*loop().windows[0].window).presents, presented + 2);
    close_window(loop(), 0);
    remote({"corvane"}); // with no window, a reopen request opens one
    remote({"corvane", "--private-window", "a.test", "b.test"});
    EXPECT_EQ(tabs(),
              (std::vector<Urls>{{"corvane://newtab/"}, {"https://a.test/", "https://b.test/"}}));
    EXPECT_TRUE(loop().windows[1].is_private);
    queue->push(event::MenuCommand{"helpPrivacy"}); // help items open their page
    handler->wake();
    EXPECT_EQ(tabs()[1].back(), kHelpPrivacyUrl);

    // Quit drops what was posted after it, once its pages agreed. Saving as the browser ends,
    // and a later launch's URLs opening a window when none is open:
    // e2e/core/corvane_process_test; what quit writes: commands_test.
    queue->push(event::MenuCommand{"quit"});
    handler->wake();
    queue->push(event::MenuCommand{"newWindow"});
    handler->wake();
    EXPECT_EQ(std::tuple(platform.app.quit_code, loop().windows.size()), std::tuple(0, 2u));
}

} // namespace corvane::test
