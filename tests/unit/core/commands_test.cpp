#include "core/commands.h"
#include "core/windows.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

using CommandsTest = CommandsFixture;

TEST_F(CommandsTest, WindowCommandsWorkWithoutAWindow) {
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

TEST_F(CommandsTest, NextAndPreviousTabWrapAround) {
    create_window(app, WindowKind::normal,
                  {{"https://a.test/", ""}, {"https://b.test/", ""}, {"https://c.test/", ""}}, 2);
    run("nextTab");
    EXPECT_EQ(app.windows[0].active, 0u);
    run("prevTab");
    EXPECT_EQ(app.windows[0].active, 2u);
    create_window(app, WindowKind::normal, {}, 0);
    run("nextTab");
    EXPECT_EQ(app.windows[1].active, 0u);
    run("NextTab"); // ids match exactly
    run(" nextTab");
}

TEST_F(CommandsTest, ReopenBringsBackTheMostRecentlyClosedTab) {
    create_window(app, WindowKind::normal, {{"https://a.test/", ""}, {"https://b.test/", ""}}, 0);
    run("closeTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://b.test/"}));
    run("closeTab"); // the last tab: the window closes
    EXPECT_TRUE(app.windows.empty());
    run("reopenTab");
    ASSERT_EQ(app.windows.size(), 1u);
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://b.test/"}));
    run("reopenTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://b.test/", "https://a.test/"}));
    EXPECT_EQ(app.windows[0].active, 1u);
    EXPECT_TRUE(app.closed_tabs.empty());
}

TEST_F(CommandsTest, QuitSavesEvenWithoutWindows) {
    run("quit");
    EXPECT_EQ(flow, ControlFlow::exit);
    EXPECT_EQ(read_file(app.store.dir / "session.json"), "[]");
}

TEST_F(CommandsTest, PageCommandsNeedAnAwakeActiveTab) {
    create_window(app, WindowKind::normal, {{"https://a.test/", ""}, {"https://b.test/", ""}}, 1);
    run("back");
    run("reload");
    EXPECT_EQ(fake(tab(0, 1).webview).calls.back(), "reload");
    app.windows[0].active = 0; // asleep
    run("forward");
    EXPECT_FALSE(tab(0, 0).webview);
    const std::vector<std::string>& calls = fake(tab(0, 1).webview).calls;
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "go_back"), 1);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "go_forward"), 0);
}

} // namespace
} // namespace corvane::test
