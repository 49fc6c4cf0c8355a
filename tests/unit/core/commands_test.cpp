// Commands as the menu bar and the keyboard run them, on the current window.
#include "core/commands.h"
#include "core/tabs.h"
#include "core/zoom.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

using CommandsTest = CoreTest;

TEST(TabNumber, ReadsAnUnsignedDecimalAfterTab) {
    const std::pair<std::string_view, std::optional<std::uint64_t>> cases[] = {
        {"tab1", 1},
        {"tab10", 10},
        {"tab+2", 2},
        {"tab009", 9},
        {"tab0", 0},
        {"tab18446744073709551615", 18446744073709551615u},
        {"tab18446744073709551616", std::nullopt},
        {"tab", std::nullopt},
        {"tab+", std::nullopt},
        {"tab++1", std::nullopt},
        {"tab-1", std::nullopt},
        {"tab 1", std::nullopt},
        {"tab1 ", std::nullopt},
        {"tab1a", std::nullopt},
        {"Tab1", std::nullopt},
        {"tabs1", std::nullopt},
        {"", std::nullopt}};
    for (const auto& [id, expected] : cases) {
        EXPECT_EQ(tab_number(id), expected) << id;
    }
}

TEST_F(CommandsTest, TabNumbersSelectTabsAndNineSelectsTheLast) {
    open_numbered(3, 1);
    // After the first six, nothing happens: the previous selection stays.
    const std::pair<std::string_view, std::size_t> cases[] = {
        {"tab1", 0},   {"tab3", 2}, {"tab2", 1}, {"tab9", 2}, {"tab+1", 0},
        {"tab009", 2}, {"tab4", 2}, {"tab0", 2}, {"tab", 2},  {"tabx", 2}};
    for (const auto& [id, active] : cases) {
        run(id);
        EXPECT_EQ(app.windows[0].active, active) << id;
    }
    app.windows.clear();
    open_numbered(12);
    for (const auto& [id, active] : {std::pair{"tab10", 9u}, {"tab12", 11u}, {"tab9", 11u}}) {
        run(id);
        EXPECT_EQ(app.windows[0].active, active) << id;
    }
}

TEST_F(CommandsTest, SheetsPanelsAndFindOpenInTheCurrentWindowsChrome) {
    open_numbered(1);
    open_numbered(1);
    app.focused = app.windows[0].id();
    const std::pair<std::string_view, std::string> cases[] = {
        {"about", R"(openSheet("about"))"},
        {"settings", R"(openSheet("settings"))"},
        {"clear", R"(openSheet("clear"))"},
        {"history", R"(openPanel("history"))"},
        {"bookmarks", R"(openPanel("bookmarks"))"},
        {"downloads", R"(openPanel("downloads"))"},
        {"find", "openFind()"},
        {"focusOmnibox", "focusOmnibox()"}};
    for (const auto& [id, call] : cases) {
        chrome(0).focused = false;
        run(id);
        EXPECT_EQ(page_calls(chrome(0)).back(), call);
        EXPECT_TRUE(chrome(0).focused) << id;
    }
    EXPECT_TRUE(page_calls(chrome(1)).empty());
}

TEST_F(CommandsTest, WindowCommandsWorkWithoutAWindow) {
    run("quit");
    EXPECT_EQ(flow, ControlFlow::exit);
    EXPECT_EQ(read_file(app.store.dir / "session.json"), "[]");
    run("closeTab");
    run("reopenTab");
    EXPECT_TRUE(app.windows.empty());
    run("newTab");
    ASSERT_EQ(app.windows.size(), 1u);
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"corvane://newtab/"}));
    EXPECT_TRUE(page_calls(chrome()).empty()); // no focusOmnibox in a fresh window
    run("privateWindow");
    EXPECT_TRUE(app.windows[1].is_private);
    EXPECT_EQ(current_window_index(app), 1u);
}

TEST_F(CommandsTest, NewTabAppendsAndNextAndPreviousWrapAround) {
    open_numbered(2);
    run("newTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://t0.test/", "https://t1.test/",
                                                     "corvane://newtab/"}));
    EXPECT_EQ(app.windows[0].active, 2u);
    EXPECT_EQ(page_calls(chrome()).back(), "focusOmnibox()");
    EXPECT_TRUE(chrome().focused);
    run("nextTab");
    EXPECT_EQ(app.windows[0].active, 0u);
    run("prevTab");
    EXPECT_EQ(app.windows[0].active, 2u);
    create_window(app, WindowKind::normal, {}, 0);
    run("nextTab");
    EXPECT_EQ(app.windows[1].active, 0u);
}

TEST_F(CommandsTest, ReopenPlacesTheTabNextToTheActiveOneNewestFirst) {
    app.closed_tabs = {"https://old.test/", "https://new.test/"};
    open_numbered(3);
    run("reopenTab");
    run("reopenTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://t0.test/", "https://new.test/",
                                                     "https://old.test/", "https://t1.test/",
                                                     "https://t2.test/"}));
    EXPECT_EQ(app.windows[0].active, 2u);
    run("reopenTab");
    EXPECT_EQ(app.windows[0].tabs.size(), 5u);
    // Without a window, the reopened tab opens one.
    app.windows.clear();
    app.closed_tabs = {"https://a.test/"};
    run("reopenTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://a.test/"}));
}

TEST_F(CommandsTest, ClosingWorksOnTheCurrentWindowOnly) {
    open_numbered(2, 1);
    open_numbered(1, 0, WindowKind::private_browsing);
    app.focused = app.windows[0].id();
    run("closeTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://t0.test/"}));
    EXPECT_EQ(app.closed_tabs.back(), "https://t1.test/");
    run("closeWindow");
    ASSERT_EQ(app.windows.size(), 1u);
    EXPECT_TRUE(app.windows[0].is_private);
    // Closing the last tab of the private window closes it, and nothing of it is remembered.
    run("closeTab");
    EXPECT_TRUE(app.windows.empty());
    EXPECT_EQ(app.closed_tabs.back(), "https://t1.test/");
}

TEST_F(CommandsTest, PageCommandsNeedAnAwakeActiveTab) {
    open_numbered(2, 1);
    for (std::string_view id : {"back", "reload", "print"}) {
        run(id);
    }
    const std::vector<std::string>& calls = fake(tab(0, 1).webview).calls;
    EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
              (std::vector<std::string>{"go_back", "reload", "print"}));
    app.windows[0].active = 0; // asleep
    for (std::string_view id : {"forward", "print", "reload", "zoomIn"}) {
        run(id);
    }
    EXPECT_FALSE(tab(0, 0).webview) << "a command never wakes a tab";
}

TEST_F(CommandsTest, QuitSavesTheOpenWindowsAndTheDirtyFiles) {
    open_numbered(2, 1);
    app.store.bookmarks.push_back({"https://b.test/", "B", 5});
    app.store.bookmarks_dirty = true;
    run("quit");
    EXPECT_EQ(flow, ControlFlow::exit);
    EXPECT_EQ(read_file(app.store.dir / "session.json"),
              R"([{"tabs":[{"url":"https://t0.test/","title":"T"},)"
              R"({"url":"https://t1.test/","title":"T"}],"active":1}])");
    EXPECT_NE(read_file(app.store.dir / "bookmarks.json").find("https://b.test/"),
              std::string::npos);
    EXPECT_EQ(app.windows.size(), 1u) << "the windows stay until the loop ends";
}

TEST_F(CommandsTest, IdsMatchExactly) {
    open_numbered(2);
    const std::size_t scripts_before = chrome().scripts.size();
    for (std::string_view id : {"", "Quit", "quit ", " newTab", "NEWTAB", "zoomin", "closetab",
                                "openSheet", "helpSite", "tab1x", "menu", "nextTab\n"}) {
        run(id);
    }
    EXPECT_EQ(flow, ControlFlow::wait);
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://t0.test/", "https://t1.test/"}));
    EXPECT_EQ(app.windows[0].active, 0u);
    EXPECT_EQ(chrome().scripts.size(), scripts_before);
}

TEST(ZoomLadder, StepsAndToasts) {
    struct Case {
        double from;
        ZoomStep step;
        double to;
    };
    const Case cases[] = {{1.0, ZoomStep::in, 1.1},
                          {1.1, ZoomStep::out, 1.0},
                          {1.0, ZoomStep::out, 0.9},
                          {2.5, ZoomStep::in, 3.0},
                          {3.0, ZoomStep::in, 3.0},
                          {0.67, ZoomStep::out, 0.5},
                          {0.5, ZoomStep::out, 0.5},
                          {0.5, ZoomStep::in, 0.67},
                          {1.75, ZoomStep::out, 1.5},
                          {2.5, ZoomStep::reset, 1.0},
                          // Off the ladder: the next factor in that direction.
                          {1.05, ZoomStep::in, 1.1},
                          {1.05, ZoomStep::out, 1.0},
                          {5.0, ZoomStep::in, 3.0},
                          {0.1, ZoomStep::out, 0.5},
                          {0.1, ZoomStep::in, 0.5},
                          {9.0, ZoomStep::out, 3.0},
                          // A factor a rounding error away from a step still moves a whole step.
                          {1.1 - 1e-9, ZoomStep::in, 1.25}};
    for (const Case& c : cases) {
        EXPECT_EQ(next_zoom(c.from, c.step), c.to) << c.from;
    }
    // Halves round away from zero.
    const std::pair<double, std::string_view> toasts[] = {
        {0.67, "Zoom 67%"}, {3.0, "Zoom 300%"}, {1.125, "Zoom 113%"}, {0.125, "Zoom 13%"}};
    for (const auto& [factor, toast] : toasts) {
        EXPECT_EQ(zoom_toast_text(factor), toast);
    }
}

TEST_F(CommandsTest, ZoomChangesTheViewToastsAndRendersAndWaitsForSleepingTabs) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}});
    run("zoomIn");
    run("zoomIn");
    EXPECT_EQ(fake(tab(0, 0).webview).zoom_factor, 1.25);
    std::vector<std::string> calls = page_calls(chrome());
    EXPECT_EQ(calls.end()[-2], R"(toast("Zoom 125%"))");
    EXPECT_EQ(renders(chrome()).back()["zoom"], 1.25);
    run("zoomReset");
    run("zoomReset"); // unchanged, still toasted and rendered
    EXPECT_EQ(page_calls(chrome()).size(), calls.size() + 4);
    EXPECT_NE(scripts(chrome()).back().find(R"("zoom":1.0)"), std::string::npos);

    app.windows[0].active = 1; // b has never been woken
    run("zoomOut");
    EXPECT_EQ(tab(0, 1).zoom, 0.9);
    EXPECT_FALSE(tab(0, 1).webview);
    EXPECT_EQ(page_calls(chrome()).end()[-2], R"(toast("Zoom 90%"))");
    select_tab(app, 0, 0);
    select_tab(app, 0, 1);
    EXPECT_EQ(fake(tab(0, 1).webview).zoom_factor, 0.9);
    EXPECT_EQ(tab(0, 0).zoom, 1.0) << "each tab has its own zoom";

    // No active tab: no zoom and no toast.
    app.windows[0].active = 4;
    calls = page_calls(chrome());
    run("zoomIn");
    EXPECT_EQ(page_calls(chrome()), calls);
}

} // namespace
} // namespace corvane::test
