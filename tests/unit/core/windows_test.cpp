#include "core_fixture.h"
#include "store/store.h"

namespace corvane::test {

using WindowsTest = CoreTest;

TEST_F(WindowsTest, NewWindowsWakeOnlyTheClampedActiveTabBelowTheChromeView) {
    ASSERT_EQ(create_window(app, WindowKind::normal, {}, 0), 0u);
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"corvane://newtab/"}));
    // The page in the content rectangle, below the chrome view over the whole width.
    const FakeWebView& page = fake(tab(0, 0).webview);
    EXPECT_EQ(std::tuple(chrome().rect, page.rect, page.stack_index() < chrome().stack_index(),
                         chrome().label(), page.label()),
              std::tuple(platform::Rect{0, 0, 1280, 86}, platform::Rect{0, 86, 1280, 734}, true,
                         "ui-1", "tab-" + std::to_string(tab(0, 0).id)));
    EXPECT_TRUE(page_calls(chrome()).empty()) << "nothing rendered before the page is ready";

    create_window(app, WindowKind::private_browsing,
                  {{"https://a.test/", "A"}, {"https://b.test/", "B"}, {"https://c.test/", "C"}},
                  7);
    const BrowserWindow& window = app.windows[1];
    EXPECT_EQ(std::tuple(app.focused, window.active, !!window.tabs[0].webview,
                         !!window.tabs[1].webview, window.tabs[0].title,
                         fake(window.tabs[2].webview).url),
              std::tuple(window.id(), 2u, false, false, "A", "https://c.test/"));
    // A private window has its own store, which keeps nothing; its title: e2e/core.
    ASSERT_TRUE(window.data_store && window.data_store->is_ephemeral());
    EXPECT_EQ(fake(window.tabs[2].webview).options.session, window.data_store);

    platform.fail_windows = true;
    EXPECT_FALSE(create_window(app, WindowKind::normal, {}, 0));
    platform.fail_windows = false;
    platform.fail_web_views = true;
    EXPECT_FALSE(create_window(app, WindowKind::normal, {}, 0)) << "no chrome view";
    EXPECT_EQ(std::tuple(app.windows.size(), app.focused), std::tuple(2u, window.id()));
}

// The current window is the focused one, else the last; only the last normal window saves the
// session as it closes, also while a private window stays, and closing that one saves nothing.
TEST_F(WindowsTest, ClosingMovesTheFocusAndTheLastNormalWindowSavesTheSession) {
    const auto session_file = app.store.dir / "session.json";
    create_window(app, WindowKind::normal, {}, 0);
    create_window(app, WindowKind::normal, {}, 0);
    create_window(app, WindowKind::private_browsing, {{"https://secret.test/", ""}}, 0);
    const WindowId second = app.windows[1].id(), last = app.windows[2].id();
    app.focused = 999;
    EXPECT_EQ(current_window_index(app), 2u);
    app.focused = second;
    EXPECT_EQ(current_window_index(app), 1u);
    close_window(app, 0);
    EXPECT_EQ(app.focused, second) << "a surviving focused window keeps the focus";
    EXPECT_FALSE(std::filesystem::exists(session_file));
    close_window(app, 0);
    EXPECT_EQ(app.focused, last);
    const std::string saved = R"([{"tabs":[{"url":"corvane://newtab/","title":""}],"active":0}])";
    EXPECT_EQ(read_file(session_file), saved);
    close_window(app, 5); // past the end
    close_window(app, 0);
    EXPECT_EQ(read_file(session_file), saved);
    EXPECT_EQ(std::tuple(app.focused, current_window_index(app)),
              std::tuple(std::nullopt, std::nullopt));

    // Awake tabs give their live address.
    create_window(app, WindowKind::normal, {{"https://a.test/", "A"}, {"https://b.test/", "B"}}, 1);
    fake(tab(0, 1).webview).url = "https://b.test/moved";
    app.store.settings_dirty = true;
    close_window(app, 0);
    EXPECT_EQ(read_file(session_file),
              R"([{"tabs":[{"url":"https://a.test/","title":"A"},)"
              R"({"url":"https://b.test/moved","title":"B"}],"active":1}])");
    EXPECT_TRUE(std::filesystem::exists(app.store.dir / "settings.json"));
}

} // namespace corvane::test
