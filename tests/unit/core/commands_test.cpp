// Commands as the menu bar and the keyboard run them on the current window, the zoom ladder, and
// the menu bar's items.
#include "core/commands.h"
#include "core/menu_model.h"
#include "core/zoom.h"
#include "core_fixture.h"

#include <map>

namespace corvane::test {
namespace {

using CommandsTest = CoreTest;

// Number nine is the last tab; ids match byte for byte; a tab number is an unsigned decimal that
// fits 64 bits.
TEST_F(CommandsTest, TabCommandsSelectInTheCurrentWindow) {
    // (tabs, active, id) -> active afterwards
    // clang-format off
    const std::tuple<std::size_t, std::size_t, std::string_view, std::size_t> cases[] = {
        {3, 1, "tab1", 0}, {3, 1, "tab3", 2}, {3, 0, "tab9", 2}, {3, 1, "tab+1", 0}, {3, 0, "tab009", 2},
        {3, 1, "tab4", 1}, {3, 1, "tab0", 1}, {3, 1, "tab", 1}, {3, 1, "tabx", 1}, {12, 0, "tab10", 9},
        {12, 0, "tab12", 11}, {12, 0, "tab9", 11}, {3, 2, "nextTab", 0}, {3, 0, "prevTab", 2},
        {1, 0, "nextTab", 0}, {2, 1, "", 1}, {2, 1, "quit ", 1}, {2, 1, " newTab", 1}, {2, 1, "NEWTAB", 1},
        {2, 1, "nextTab\n", 1}, {3, 1, "tab++1", 1}, {3, 1, "tab-1", 1}, {3, 1, "tab 1", 1},
        {3, 1, "tab1 ", 1}, {3, 1, "tab1a", 1}, {3, 1, "Tab1", 1}, {3, 1, "tab+", 1}};
    // clang-format on
    for (const auto& [tabs, active, id, after] : cases) {
        app.windows.clear();
        open_numbered(tabs, active);
        run(id);
        EXPECT_EQ(std::tuple(app.windows[0].active, app.windows[0].tabs.size(), flow,
                             renders(chrome()).size()),
                  std::tuple(after, tabs, ControlFlow::wait, page_calls(chrome()).size()))
            << id;
    }
    run("tab18446744073709551625"); // 2^64 + 9 does not wrap round to nine
    EXPECT_EQ(app.windows[0].active, 1u);
}

TEST_F(CommandsTest, WindowCommandsWorkWithoutAWindowAndSheetsCallTheFocusedChrome) {
    // Without a normal window quit keeps the saved session: it writes the store alone.
    app.store.settings_dirty = true;
    run("quit");
    EXPECT_FALSE(std::filesystem::exists(app.store.dir / "session.json"));
    EXPECT_FALSE(app.store.settings_dirty);
    run("closeTab");
    run("reopenTab");
    EXPECT_TRUE(app.windows.empty());
    run("newTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"corvane://newtab/"}));
    EXPECT_TRUE(page_calls(chrome()).empty()); // no focusOmnibox in a fresh window
    app.windows.clear();
    app.closed_tabs = {"https://a.test/"};
    run("reopenTab");
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://a.test/"}));
    // Sheets, panels, find and the address call the chrome page and give it the keyboard.
    // clang-format off
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"about", R"(openSheet("about"))"}, {"settings", R"(openSheet("settings"))"},
        {"clear", R"(openSheet("clear"))"}, {"history", R"(openPanel("history"))"},
        {"bookmarks", R"(openPanel("bookmarks"))"}, {"downloads", R"(openPanel("downloads"))"},
        {"find", "openFind()"}, {"focusOmnibox", "focusOmnibox()"}, {"newTab", "focusOmnibox()"}};
    // clang-format on
    for (const auto& [id, call] : cases) {
        chrome().focused = false;
        run(id);
        EXPECT_EQ(page_calls(chrome()).back() + (chrome().focused ? "" : " unfocused"), call);
    }
}

// Quit saves the dirty files (the session without private windows: the installed browser's
// end-to-end test); the windows stay until the loop ends.
TEST_F(CommandsTest, QuitSavesClosingWorksOnTheCurrentWindowAndReopeningIsNewestFirst) {
    open_numbered(2, 1);
    open_numbered(1, 0, WindowKind::private_browsing);
    app.store.bookmarks.push_back({"https://b.test/", "B", 5});
    app.store.bookmarks_dirty = true;
    run("quit");
    settle(); // the pages agree, one at a time
    EXPECT_EQ(std::pair(flow, app.windows.size()), std::pair(ControlFlow::exit, 2ul));
    EXPECT_EQ(load_store(app.store.dir).bookmarks, app.store.bookmarks);
    app.focused = app.windows[0].id();
    run("closeTab");
    handle_posted();
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://t0.test/"}));
    run("closeWindow");
    handle_posted();
    ASSERT_TRUE(app.windows.size() == 1 && app.windows[0].is_private);
    run("closeTab");
    handle_posted();
    EXPECT_TRUE(app.windows.empty());
    EXPECT_EQ(app.closed_tabs, (std::deque<std::string>{"https://t1.test/"})) << "not the private";
    // Reopening puts the newest closed tab next to the active one.
    app.closed_tabs = {"https://old.test/", "https://new.test/"};
    open_numbered(3);
    for (int i = 0; i < 3; ++i) {
        run("reopenTab");
    }
    EXPECT_EQ(tab_urls(0), (std::vector<std::string>{"https://t0.test/", "https://new.test/",
                                                     "https://old.test/", "https://t1.test/",
                                                     "https://t2.test/"}));
    EXPECT_EQ(app.windows[0].active, 2u);
}

TEST(ZoomLadder, StepsAndToasts) {
    using enum ZoomStep;
    // Off the ladder: the next factor in that direction; a rounding error from a step is on it.
    // clang-format off
    const std::tuple<double, ZoomStep, double> cases[] = {
        {1.0, in, 1.1}, {1.1, out, 1.0}, {1.0, out, 0.9}, {2.5, in, 3.0}, {3.0, in, 3.0}, {0.67, out, 0.5},
        {0.5, out, 0.5}, {0.5, in, 0.67}, {1.75, out, 1.5}, {2.5, reset, 1.0}, {1.05, in, 1.1},
        {1.05, out, 1.0}, {0.1, in, 0.5}, {9.0, out, 3.0}, {1.1 - 1e-9, in, 1.25}};
    // clang-format on
    for (const auto& [from, step, to] : cases) {
        EXPECT_EQ(next_zoom(from, step), to) << from << " " << static_cast<int>(step);
    }
}

TEST_F(CommandsTest, PageAndZoomCommandsActOnTheActiveTabAndNeverWakeIt) {
    open({{"https://a.test/", "A"}, {"https://b.test/", "B"}});
    const std::vector<std::string> ids = {"back", "forward", "reload", "print"};
    for (std::string_view id : ids) {
        run(id);
    }
    const std::vector<std::string>& page = fake(tab(0, 0).webview).calls;
    EXPECT_EQ(std::vector(page.end() - 4, page.end()),
              (std::vector<std::string>{"go_back", "go_forward", "reload", "print"}));
    for (std::string_view id : {"zoomIn", "zoomIn", "zoomReset", "zoomReset", "zoomIn"}) {
        run(id);
    }
    const std::vector<std::string> calls = page_calls(chrome());
    ASSERT_EQ(calls.size(), 10u); // a reset that changes nothing still toasts and renders
    EXPECT_EQ(calls[2] + calls[6], R"(toast("Zoom 125%")toast("Zoom 100%"))");
    EXPECT_EQ(renders(chrome())[1]["zoom"], 1.25);
    EXPECT_EQ(fake(tab(0, 0).webview).zoom_factor, 1.1);
    app.windows[0].active = 1; // b has never been woken
    for (std::string_view id : ids) {
        run(id);
    }
    run("zoomOut");
    EXPECT_FALSE(tab(0, 1).webview);
    EXPECT_EQ(page_calls(chrome()).end()[-2], R"(toast("Zoom 90%"))");
    EXPECT_EQ(std::pair(tab(0, 0).zoom, tab(0, 1).zoom), std::pair(1.1, 0.9)); // each its own
    app.windows[0].active = 4; // no active tab: no zoom and no toast
    const std::size_t before = chrome().calls.size();
    run("zoomIn");
    EXPECT_EQ(chrome().calls.size(), before);
}

// Each shortcut names one entry, its first or a further key (the window integration test presses
// every one). That activations reach the event loop is the installed browser's end-to-end test,
// and a closed queue refusing them event_queue_test's.
TEST(Menu, ShortcutsNameTheirItems) {
    std::map<std::string, std::string> shortcuts;
    for (const platform::Submenu& submenu : build_app_menu()) {
        for (const platform::MenuEntry& entry : submenu.entries) {
            std::vector<std::string> keys = entry.second_accelerators;
            keys.push_back(entry.accelerator);
            keys.insert(keys.end(), entry.page_first_accelerators.begin(),
                        entry.page_first_accelerators.end());
            for (const std::string& key : keys) { // the system's items by their number
                shortcuts[key] = entry.id.empty()
                                     ? std::to_string(static_cast<int>(entry.predefined))
                                     : entry.id;
            }
        }
    }
    // clang-format off
    std::map<std::string, std::string> named = {{"CmdOrCtrl+Digit0", "zoomReset"},
        {"CmdOrCtrl+T", "newTab"}, {"Control+Tab", "nextTab"}, {"Control+Shift+Tab", "prevTab"},
        {"F5", "reload"}, {"F12", "devtools"}, {"CmdOrCtrl+Shift+R", "reload"},
        {"CmdOrCtrl+PageDown", "nextTab"}, {"Alt+D", "focusOmnibox"},
        {"CmdOrCtrl+NumpadAdd", "zoomIn"}, {"CmdOrCtrl+NumpadSubtract", "zoomOut"},
        {"F11", std::to_string(static_cast<int>(platform::PredefinedItem::fullscreen))},
        {"CmdOrCtrl+Z", std::to_string(static_cast<int>(platform::PredefinedItem::undo))},
        {"CmdOrCtrl+Shift+Z", std::to_string(static_cast<int>(platform::PredefinedItem::redo))}};
    // clang-format on
    for (int n = 1; n <= 9; ++n) {
        named["CmdOrCtrl+Digit" + std::to_string(n)] = "tab" + std::to_string(n);
    }
    for (const auto& [key, name] : named) {
        EXPECT_EQ(shortcuts[key], name) << key;
    }
}

} // namespace
} // namespace corvane::test
