#include "core/tabs.h"
#include "core_fixture.h"

namespace corvane::test {

using TabsTest = CoreTest;
using Urls = std::vector<std::string>;

const std::string a = "https://a.test/", b = "https://b.test/", c = "https://c.test/",
                  d = "https://d.test/";

// Appending in front: commands_test (newTab).
TEST_F(TabsTest, AddedTabsGoAfterTheActiveOneOrAtTheEndInFrontOrBehind) {
    open({{a, ""}, {b, ""}}, 0);
    add_tab(app, 0, c, TabFocus::background, TabPlace::at_end);
    const TabId id = add_tab(app, 0, d, TabFocus::foreground, TabPlace::after_active);
    EXPECT_EQ(tab_urls(0), (Urls{a, d, b, c}));
    EXPECT_EQ(std::tuple(app.windows[0].active, tab(0, 1).id), std::tuple(1u, id));
    EXPECT_EQ(std::tuple(fake(tab(0, 0).webview).hidden, fake(tab(0, 1).webview).hidden,
                         fake(tab(0, 3).webview).hidden),
              std::tuple(true, false, true));
    EXPECT_EQ(renders(chrome()).back()["active"], id);
}

TEST_F(TabsTest, ClosingPicksTheNeighbourAsBrowsersDo) {
    // The active last tab: the new last; left of the active one: it stays; the active one: its
    // right neighbour.
    const std::tuple<std::size_t, std::size_t, std::string> cases[] = {
        {2, 2, b}, {2, 0, c}, {1, 1, c}, {0, 2, a}};
    for (const auto& [active, closed, then_active] : cases) {
        app.windows.clear();
        open({{a, ""}, {b, ""}, {c, ""}}, active);
        EXPECT_FALSE(close_tab(app, 0, tab(0, closed).id));
        EXPECT_EQ(tab(0, app.windows[0].active).url, then_active) << closed;
        EXPECT_TRUE(tab(0, app.windows[0].active).webview) << closed;
    }
    app.windows.clear();
    open({{a, ""}});
    EXPECT_FALSE(close_tab(app, 0, 12345));
    EXPECT_TRUE(close_tab(app, 0, tab(0, 0).id)) << "the last tab";
    EXPECT_TRUE(renders(chrome()).empty());
}

// Closing asks every awake page first, as WebKit's try-close does: a page whose person stays
// keeps its tab and its window, a sleeping tab closes at once, a page closing itself unasked
// closes nothing, and a question in a background tab brings that tab forward. More of the
// asking: closing_test; the real question: integration/commands/window_test.
TEST_F(TabsTest, ClosingAsksThePagesFirstAndAPageThatStaysKeepsItsTabAndWindow) {
    open({{a, ""}, {b, ""}, {c, ""}});
    fake(tab(0, 0).webview).asks = true;
    run("closeTab");
    handle_posted();
    EXPECT_EQ(std::tuple(tab_urls(0), fake(tab(0, 0).webview).calls.back()),
              std::tuple(Urls{a, b, c}, "try_close"));
    auto& system_window = dynamic_cast<FakeWindow&>(*app.windows[0].window);
    system_window.answer_question(true); // "Leave"
    settle();
    EXPECT_EQ(tab_urls(0), (Urls{b, c}));
    fake(tab(0, 0).webview).on_close(); // window.close() by the page
    handle_posted();
    send(msg::CloseTab{tab(0, 1).id}); // asleep
    EXPECT_EQ(tab_urls(0), (Urls{b}));

    add_tab(app, 0, c, TabFocus::background, TabPlace::at_end);
    add_tab(app, 0, d, TabFocus::background, TabPlace::at_end);
    fake(tab(0, 1).webview).asks = true;
    run("closeWindow");
    settle();
    ASSERT_EQ(app.windows.size(), 1u) << "one page asks";
    EXPECT_EQ(app.windows[0].active, 1u) << "the asking page comes forward";
    system_window.answer_question(true);
    settle();
    EXPECT_TRUE(app.windows.empty());
}

// Private tabs are not remembered: commands_test (closeTab).
TEST_F(TabsTest, ClosedTabListKeepsTheNewest25Pages) {
    open({});
    Urls urls = {"corvane://newtab/?x", ""}; // not remembered
    for (int i = 0; i < 26; ++i) {
        urls.push_back("https://site" + std::to_string(i) + ".test/");
    }
    for (const std::string& url : urls) {
        add_tab(app, 0, url, TabFocus::foreground, TabPlace::at_end);
        close_tab(app, 0, app.windows[0].tabs.back().id);
    }
    EXPECT_EQ(app.closed_tabs, std::deque<std::string>(urls.begin() + 3, urls.end()));
}

TEST_F(TabsTest, ShowingASleepingTabWakesItWithItsZoomUnlessItsViewFails) {
    open({{"", ""}, {"https://z.test/", ""}, {"https://y.test/", ""}}, 2);
    tab(0, 1).zoom = 1.5;
    now += std::chrono::minutes(5);
    platform.fail_web_views = true;
    select_tab(app, 0, 1);
    EXPECT_EQ(std::tuple(app.windows[0].active, !!tab(0, 1).webview, tab(0, 1).last_active),
              std::tuple(1u, false, now));
    EXPECT_EQ(renders(chrome()).back()["tabs"][1]["sleeping"], true);
    platform.fail_web_views = false;
    select_tab(app, 0, 1); // showing it again retries
    EXPECT_EQ(fake(tab(0, 1).webview).zoom_factor, 1.5);
    select_tab(app, 0, 0); // the stored URL is left as it was; no zoom set
    const FakeWebView& woken = fake(tab(0, 0).webview);
    EXPECT_EQ(std::tuple(tab(0, 0).url, woken.url, woken.stack_index() < chrome().stack_index(),
                         woken.hidden, woken.rect, woken.focused, woken.calls),
              std::tuple("", "corvane://newtab/", true, false, platform::Rect{0, 86, 1280, 734},
                         true, Urls{"focus"}));
    EXPECT_TRUE(fake(tab(0, 1).webview).hidden);
}

} // namespace corvane::test
