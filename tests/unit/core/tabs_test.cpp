#include "core/tabs.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

class TabsTest : public CoreTest {
protected:
    // Tabs A, B, C in one window, the one at `active` active.
    void open_abc(std::size_t active, WindowKind kind = WindowKind::normal) {
        open({{"https://a.test/", ""}, {"https://b.test/", ""}, {"https://c.test/", ""}}, active,
             kind);
    }
    TabId id_of(std::string_view url) {
        for (const Tab& t : app.windows[0].tabs) {
            if (t.url == url) {
                return t.id;
            }
        }
        ADD_FAILURE() << url;
        return 0;
    }
    std::string active_url() { return app.windows[0].tabs[app.windows[0].active].url; }
};

TEST_F(TabsTest, AddAfterActiveInForegroundAndBackground) {
    open_abc(1);
    add_tab(app, 0, "https://d.test/", TabFocus::foreground, TabPlace::after_active);
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://a.test/", "https://b.test/",
                                                     "https://d.test/", "https://c.test/"}));
    EXPECT_EQ(active_url(), "https://d.test/");
    EXPECT_FALSE(fake(tab(0, 2).webview).hidden);
    EXPECT_TRUE(fake(tab(0, 1).webview).hidden);
    EXPECT_EQ(renders(chrome()).back()["active"], tab(0, 2).id);
}

TEST_F(TabsTest, BackgroundTabGetsAHiddenViewAndTheActiveTabStays) {
    open_abc(1);
    const TabId id =
        add_tab(app, 0, "https://d.test/", TabFocus::background, TabPlace::after_active);
    EXPECT_EQ(active_url(), "https://b.test/");
    const Tab& added = tab(0, 2);
    EXPECT_EQ(added.id, id);
    ASSERT_TRUE(added.webview);
    EXPECT_TRUE(fake(added.webview).hidden);
    EXPECT_EQ(fake(added.webview).url, "https://d.test/");
    add_tab(app, 0, "https://e.test/", TabFocus::background, TabPlace::at_end);
    EXPECT_EQ(tab_urls(0).back(), "https://e.test/");
    EXPECT_EQ(active_url(), "https://b.test/");
}

TEST_F(TabsTest, ClosingPicksTheNeighbourAsBrowsersDo) {
    struct Case {
        std::size_t active;
        std::string close;
        std::string then_active;
    };
    const Case cases[] = {
        {2, "https://c.test/", "https://b.test/"}, // the active last tab: the new last
        {2, "https://a.test/", "https://c.test/"}, // left of the active one: it stays
        {1, "https://b.test/", "https://c.test/"}, // the active one: its right neighbour
        {0, "https://c.test/", "https://a.test/"},
    };
    for (const Case& c : cases) {
        app.windows.clear();
        open_abc(c.active);
        EXPECT_FALSE(close_tab(app, 0, id_of(c.close)));
        EXPECT_EQ(active_url(), c.then_active) << c.close;
        EXPECT_TRUE(tab(0, app.windows[0].active).webview) << c.close;
    }
}

TEST_F(TabsTest, ClosingTheOnlyTabRendersNothing) {
    open({{"https://a.test/", ""}});
    EXPECT_TRUE(close_tab(app, 0, tab(0, 0).id));
    EXPECT_TRUE(app.windows[0].tabs.empty());
    EXPECT_TRUE(renders(chrome()).empty());
    EXPECT_FALSE(close_tab(app, 0, 12345));
}

TEST_F(TabsTest, ClosedTabListKeepsTheNewest25NormalPages) {
    create_window(app, WindowKind::normal, {}, 0);
    for (int i = 0; i < 26; ++i) {
        add_tab(app, 0, "https://site" + std::to_string(i) + ".test/", TabFocus::foreground,
                TabPlace::at_end);
        close_tab(app, 0, app.windows[0].tabs.back().id);
    }
    ASSERT_EQ(app.closed_tabs.size(), 25u);
    EXPECT_EQ(app.closed_tabs.front(), "https://site1.test/");
    EXPECT_EQ(app.closed_tabs.back(), "https://site25.test/");

    // New tab pages and empty URLs are not remembered.
    add_tab(app, 0, "corvane://newtab/?x", TabFocus::foreground, TabPlace::at_end);
    close_tab(app, 0, app.windows[0].tabs.back().id);
    add_tab(app, 0, "", TabFocus::foreground, TabPlace::at_end);
    close_tab(app, 0, app.windows[0].tabs.back().id);
    EXPECT_EQ(app.closed_tabs.back(), "https://site25.test/");

    // Nor are a private window's tabs.
    create_window(app, WindowKind::private_browsing,
                  {{"https://p.test/", ""}, {"https://q.test/", ""}}, 0);
    close_tab(app, 1, tab(1, 0).id);
    EXPECT_EQ(app.closed_tabs.back(), "https://site25.test/");
}

TEST_F(TabsTest, ShowingASleepingTabWakesItWithItsZoom) {
    create_window(app, WindowKind::normal,
                  {{"", ""}, {"https://z.test/", ""}, {"https://y.test/", ""}}, 2);
    tab(0, 1).zoom = 1.5;
    select_tab(app, 0, 0);
    EXPECT_EQ(fake(tab(0, 0).webview).url, "corvane://newtab/");
    EXPECT_EQ(tab(0, 0).url, ""); // the stored URL is left as it was
    EXPECT_TRUE(fake(tab(0, 0).webview).focused);
    EXPECT_EQ(fake(tab(0, 0).webview).calls,
              (std::vector<std::string>{"load_url corvane://newtab/", "place_below ui-1",
                                        "set_hidden false", "set_bounds", "focus"})); // no zoom
    select_tab(app, 0, 1);
    EXPECT_EQ(fake(tab(0, 1).webview).zoom_factor, 1.5);
    EXPECT_TRUE(fake(tab(0, 0).webview).hidden);
    EXPECT_FALSE(fake(tab(0, 1).webview).hidden);
}

TEST_F(TabsTest, SelectingPastTheEndDoesNothing) {
    open_abc(0);
    const std::size_t calls = chrome().scripts.size();
    select_tab(app, 0, 3);
    EXPECT_EQ(app.windows[0].active, 0u);
    EXPECT_EQ(chrome().scripts.size(), calls);
}

TEST_F(TabsTest, SelectingUpdatesActivityAndFailedViewsLeaveTheTabAsleep) {
    open_abc(0);
    advance(std::chrono::minutes(5));
    platform.fail_web_views = true;
    select_tab(app, 0, 1);
    EXPECT_EQ(app.windows[0].active, 1u);
    EXPECT_FALSE(tab(0, 1).webview);
    EXPECT_EQ(tab(0, 1).last_active, now);
    EXPECT_EQ(renders(chrome()).back()["tabs"][1]["sleeping"], true);
    platform.fail_web_views = false;
    select_tab(app, 0, 1); // showing it again retries
    EXPECT_TRUE(tab(0, 1).webview);
}

} // namespace
} // namespace corvane::test
