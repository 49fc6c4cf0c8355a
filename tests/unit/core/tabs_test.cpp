#include "core/tabs.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

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
    const std::tuple<std::size_t, std::string, std::string> cases[] = {
        {2, c, b}, // the active last tab: the new last
        {2, a, c}, // left of the active one: it stays
        {1, b, c}, // the active one: its right neighbour
        {0, c, a},
    };
    for (const auto& [active, closed, then_active] : cases) {
        app.windows.clear();
        open({{a, ""}, {b, ""}, {c, ""}}, active);
        const Urls urls = tab_urls(0);
        const TabId id =
            tab(0, static_cast<std::size_t>(std::ranges::find(urls, closed) - urls.begin())).id;
        EXPECT_FALSE(close_tab(app, 0, id));
        EXPECT_EQ(tab(0, app.windows[0].active).url, then_active) << closed;
        EXPECT_TRUE(tab(0, app.windows[0].active).webview) << closed;
    }
    app.windows.clear();
    open({{a, ""}});
    EXPECT_FALSE(close_tab(app, 0, 12345));
    EXPECT_TRUE(close_tab(app, 0, tab(0, 0).id)) << "the last tab";
    EXPECT_TRUE(renders(chrome()).empty());
}

// Private tabs are not remembered: commands_test (closeTab).
TEST_F(TabsTest, ClosedTabListKeepsTheNewest25Pages) {
    open({});
    for (const std::string url : {"corvane://newtab/?x", ""}) {
        add_tab(app, 0, url, TabFocus::foreground, TabPlace::at_end);
        close_tab(app, 0, app.windows[0].tabs.back().id);
    }
    for (int i = 0; i < 26; ++i) {
        add_tab(app, 0, "https://site" + std::to_string(i) + ".test/", TabFocus::foreground,
                TabPlace::at_end);
        close_tab(app, 0, app.windows[0].tabs.back().id);
    }
    ASSERT_EQ(app.closed_tabs.size(), 25u);
    EXPECT_EQ(std::tuple(app.closed_tabs.front(), app.closed_tabs.back()),
              std::tuple("https://site1.test/", "https://site25.test/"));
}

TEST_F(TabsTest, ShowingASleepingTabWakesItWithItsZoomUnlessItsViewFails) {
    open({{"", ""}, {"https://z.test/", ""}, {"https://y.test/", ""}}, 2);
    tab(0, 1).zoom = 1.5;
    const std::size_t scripts = chrome().scripts.size();
    select_tab(app, 0, 3); // past the end
    EXPECT_EQ(std::tuple(app.windows[0].active, chrome().scripts.size()), std::tuple(2u, scripts));
    now += std::chrono::minutes(5);
    platform.fail_web_views = true;
    select_tab(app, 0, 1);
    EXPECT_EQ(std::tuple(app.windows[0].active, !!tab(0, 1).webview, tab(0, 1).last_active),
              std::tuple(1u, false, now));
    EXPECT_EQ(renders(chrome()).back()["tabs"][1]["sleeping"], true);
    platform.fail_web_views = false;
    select_tab(app, 0, 1); // showing it again retries
    EXPECT_EQ(fake(tab(0, 1).webview).zoom_factor, 1.5);
    select_tab(app, 0, 0);
    EXPECT_EQ(tab(0, 0).url, "") << "the stored URL is left as it was";
    EXPECT_EQ(fake(tab(0, 0).webview).calls, (Urls{"load_url corvane://newtab/", "place_below ui-1",
                                                   "set_hidden false", "set_bounds", "focus"}))
        << "no zoom";
    EXPECT_TRUE(fake(tab(0, 1).webview).hidden);
}

} // namespace
} // namespace corvane::test
