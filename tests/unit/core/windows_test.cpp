#include "core_fixture.h"
#include "store/store.h"

namespace corvane::test {
namespace {

using WindowsTest = CoreTest;

TEST_F(WindowsTest, WindowWithoutTabsOpensTheNewTabPage) {
    const std::optional<std::size_t> index = create_window(app, WindowKind::normal, {}, 0);
    ASSERT_EQ(index, 0u);
    const BrowserWindow& window = app.windows[0];
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"corvane://newtab/"}));
    EXPECT_EQ(window.active, 0u);
    EXPECT_EQ(app.focused, window.id());
    // The chrome view takes the first number, the tab the next one.
    EXPECT_EQ(window.chrome->label(), "ui-1");
    EXPECT_EQ(window.tabs[0].id, 2u);
    EXPECT_EQ(window.tabs[0].webview->label(), "tab-2");
    EXPECT_EQ(chrome().options.url, "corvane://ui/index.html");
    EXPECT_EQ(chrome().rect, (platform::Rect{0, 0, 1280, 86}));
    EXPECT_TRUE(chrome().options.transparent);
    // The page sits below the chrome view, in the content rectangle.
    const FakeWebView& page = fake(window.tabs[0].webview);
    EXPECT_LT(page.stack_index(), chrome().stack_index());
    EXPECT_EQ(page.rect, (platform::Rect{0, 86, 1280, 734}));
    // Nothing is rendered before the page says it is ready.
    EXPECT_TRUE(page_calls(chrome()).empty());
}

TEST_F(WindowsTest, OnlyTheClampedActiveTabWakes) {
    create_window(app, WindowKind::normal,
                  {{"https://a.test/", "A"}, {"https://b.test/", "B"}, {"https://c.test/", "C"}},
                  7);
    const BrowserWindow& window = app.windows[0];
    EXPECT_EQ(window.active, 2u);
    EXPECT_FALSE(window.tabs[0].webview);
    EXPECT_FALSE(window.tabs[1].webview);
    ASSERT_TRUE(window.tabs[2].webview);
    EXPECT_EQ(fake(window.tabs[2].webview).url, "https://c.test/");
    EXPECT_EQ(window.tabs[0].title, "A");
}

TEST_F(WindowsTest, FailedWindowOrChromeViewGivesNoWindow) {
    platform.fail_windows = true;
    EXPECT_FALSE(create_window(app, WindowKind::normal, {}, 0));
    platform.fail_windows = false;
    platform.fail_web_views = true;
    EXPECT_FALSE(create_window(app, WindowKind::normal, {}, 0));
    EXPECT_TRUE(app.windows.empty());
    EXPECT_FALSE(app.focused);
}

TEST_F(WindowsTest, PrivateWindowHasItsOwnEphemeralStore) {
    create_window(app, WindowKind::private_browsing, {}, 0);
    const BrowserWindow& window = app.windows[0];
    ASSERT_TRUE(window.data_store);
    EXPECT_TRUE(window.data_store->is_ephemeral());
    EXPECT_EQ(fake(window.tabs[0].webview).options.session, window.data_store);
    EXPECT_EQ(dynamic_cast<const FakeWindow&>(*window.window).options.title, "Corvane (Private)");
}

TEST_F(WindowsTest, CurrentWindowIsTheFocusedElseTheLastAndClosingMovesTheFocus) {
    for (int i = 0; i < 3; ++i) {
        create_window(app, WindowKind::normal, {}, 0);
    }
    const WindowId first = app.windows[0].id();
    const WindowId last = app.windows[2].id();
    app.focused = 999;
    EXPECT_EQ(current_window_index(app), 2u);
    app.focused = app.windows[1].id();
    EXPECT_EQ(current_window_index(app), 1u);
    close_window(app, 1);
    EXPECT_EQ(app.focused, last);
    app.focused = first;
    close_window(app, 1);
    EXPECT_EQ(app.focused, first); // a surviving focused window keeps the focus
    close_window(app, 5);          // past the end
    ASSERT_EQ(app.windows.size(), 1u);
    close_window(app, 0);
    EXPECT_FALSE(app.focused);
    EXPECT_EQ(current_window_index(app), std::nullopt);
}

TEST_F(WindowsTest, ClosingTheLastNormalWindowSavesTheSession) {
    const auto session_file = app.store.dir / "session.json";
    create_window(app, WindowKind::normal, {{"https://a.test/", "A"}, {"https://b.test/", "B"}}, 1);
    create_window(app, WindowKind::private_browsing, {{"https://secret.test/", ""}}, 0);
    // A normal window closing while a private one stays open saves nothing.
    close_window(app, 0);
    EXPECT_FALSE(std::filesystem::exists(session_file));
    // The last window being private saves nothing either.
    close_window(app, 0);
    EXPECT_FALSE(std::filesystem::exists(session_file));

    // Awake tabs give their live address.
    create_window(app, WindowKind::normal, {{"https://a.test/", "A"}, {"https://b.test/", "B"}}, 1);
    fake(tab(0, 1).webview).url = "https://b.test/moved";
    app.store.settings_dirty = true;
    close_window(app, 0);
    EXPECT_EQ(read_file(session_file),
              R"([{"tabs":[{"url":"https://a.test/","title":"A"},)"
              R"({"url":"https://b.test/moved","title":"B"}],"active":1}])");
    EXPECT_TRUE(std::filesystem::exists(app.store.dir / "settings.json"));
    EXPECT_TRUE(app.windows.empty());
}

} // namespace
} // namespace corvane::test
