// Commands on the current window: tab numbers, sheets and panels, closing, printing, quitting.
#include "core/commands.h"
#include "core/windows.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

class CommandTest : public CommandsFixture {
protected:
    void open(std::size_t count, std::size_t active, WindowKind kind = WindowKind::normal) {
        std::vector<SessionTab> tabs;
        for (std::size_t i = 0; i < count; ++i) {
            tabs.push_back({"https://t" + std::to_string(i) + ".test/", "T"});
        }
        create_window(app, kind, std::move(tabs), active);
        make_ready(app.windows.size() - 1);
    }
};

TEST(TabNumber, ReadsAnUnsignedDecimalAfterTab) {
    const std::pair<std::string_view, std::optional<std::uint64_t>> cases[] = {
        {"tab1", 1},
        {"tab9", 9},
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
        {"taba", std::nullopt},
        {"tab1a", std::nullopt},
        {"Tab1", std::nullopt},
        {"tabs1", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [id, expected] : cases) {
        EXPECT_EQ(tab_number(id), expected) << id;
    }
}

TEST_F(CommandTest, TabNumbersSelectTabsAndNineSelectsTheLast) {
    open(3, 1);
    const std::pair<std::string_view, std::size_t> cases[] = {
        {"tab1", 0},
        {"tab3", 2},
        {"tab2", 1},
        {"tab9", 2},
        {"tab+1", 0},
        {"tab009", 2},
        // Nothing happens for these: the previous selection stays.
        {"tab4", 2},
        {"tab0", 2},
        {"tab", 2},
        {"tab-1", 2},
        {"tab 1", 2},
        {"tabx", 2},
    };
    for (const auto& [id, active] : cases) {
        run(id);
        EXPECT_EQ(app.windows[0].active, active) << id;
    }
    app.windows.clear();
    open(12, 0);
    run("tab10");
    EXPECT_EQ(app.windows[0].active, 9u);
    run("tab12");
    EXPECT_EQ(app.windows[0].active, 11u);
    run("tab9");
    EXPECT_EQ(app.windows[0].active, 11u);
    run("tab13");
    EXPECT_EQ(app.windows[0].active, 11u);
}

TEST_F(CommandTest, SheetsPanelsAndFindOpenInTheCurrentWindowsChrome) {
    open(1, 0);
    open(1, 0);
    app.focused = app.windows[0].id();
    const std::pair<std::string_view, std::string> cases[] = {
        {"about", R"(openSheet("about"))"},
        {"settings", R"(openSheet("settings"))"},
        {"clear", R"(openSheet("clear"))"},
        {"history", R"(openPanel("history"))"},
        {"bookmarks", R"(openPanel("bookmarks"))"},
        {"downloads", R"(openPanel("downloads"))"},
        {"find", "openFind()"},
        {"focusOmnibox", "focusOmnibox()"},
    };
    for (const auto& [id, call] : cases) {
        chrome(0).focused = false;
        run(id);
        EXPECT_EQ(page_calls(chrome(0)).back(), call);
        EXPECT_TRUE(chrome(0).focused) << id;
    }
    EXPECT_TRUE(page_calls(chrome(1)).empty());
}

TEST_F(CommandTest, NewTabAppendsAndFocusesTheAddressField) {
    open(2, 0);
    run("newTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://t0.test/", "https://t1.test/",
                                                     "corvane://newtab/"}));
    EXPECT_EQ(app.windows[0].active, 2u);
    EXPECT_EQ(page_calls(chrome()).back(), "focusOmnibox()");
    EXPECT_TRUE(chrome().focused);
}

TEST_F(CommandTest, ReopenPlacesTheTabNextToTheActiveOneNewestFirst) {
    app.closed_tabs = {"https://old.test/", "https://new.test/"};
    open(3, 0);
    run("reopenTab");
    run("reopenTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://t0.test/", "https://new.test/",
                                                     "https://old.test/", "https://t1.test/",
                                                     "https://t2.test/"}));
    EXPECT_EQ(app.windows[0].active, 2u);
    run("reopenTab");
    EXPECT_EQ(app.windows[0].tabs.size(), 5u);
}

TEST_F(CommandTest, ClosingWorksOnTheCurrentWindowOnly) {
    open(2, 1);
    open(1, 0, WindowKind::private_browsing);
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

TEST_F(CommandTest, PrintNeedsAnAwakeActiveTab) {
    open(2, 0);
    run("print");
    EXPECT_EQ(fake(tab(0, 0).webview).calls.back(), "print");
    tab(0, 0).webview.reset();
    run("print");
    run("reload");
    EXPECT_FALSE(tab(0, 0).webview) << "a command never wakes a tab";
}

TEST_F(CommandTest, QuitSavesTheOpenWindowsAndTheDirtyFiles) {
    open(2, 1);
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

TEST_F(CommandTest, IdsMatchExactly) {
    open(2, 0);
    const std::size_t scripts_before = chrome().scripts.size();
    for (std::string_view id : {"", "Quit", "quit ", " newTab", "NEWTAB", "zoomin", "closetab",
                                "openSheet", "helpSite", "tab1x", "menu", "nextTab\n"}) {
        run(id);
    }
    EXPECT_EQ(flow, ControlFlow::wait);
    EXPECT_EQ(app.windows.size(), 1u);
    EXPECT_EQ(app.windows[0].tabs.size(), 2u);
    EXPECT_EQ(app.windows[0].active, 0u);
    EXPECT_EQ(chrome().scripts.size(), scripts_before);
}

} // namespace
} // namespace corvane::test
