// The menu bar's shape and the path from an activation to the event loop.
#include "core/commands.h"
#include "core/menu_model.h"
#include "core/windows.h"
#include "core_fixture.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace corvane::test {
namespace {

using platform::MenuEntry;
using platform::PredefinedItem;

std::vector<const MenuEntry*> items(const platform::MenuBar& bar) {
    std::vector<const MenuEntry*> result;
    for (const platform::Submenu& submenu : bar) {
        for (const MenuEntry& entry : submenu.entries) {
            if (entry.kind == MenuEntry::Kind::item) {
                result.push_back(&entry);
            }
        }
    }
    return result;
}

// What the toolkit layer accepts: modifiers joined by "+", then one key name.
bool accelerator_parses(const std::string& text) {
    static const std::set<std::string> modifiers{"CmdOrCtrl", "Shift", "Alt", "Control"};
    static const std::set<std::string> keys{"Comma",       "Backspace",    "Equal", "Minus",
                                            "BracketLeft", "BracketRight", "Tab"};
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t plus; (plus = text.find('+', start)) != std::string::npos; start = plus + 1) {
        parts.push_back(text.substr(start, plus - start));
    }
    const std::string key = text.substr(start);
    const bool key_ok = keys.count(key) > 0 ||
                        (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z') ||
                        (key.size() == 6 && key.starts_with("Digit") && std::isdigit(key[5]));
    return key_ok && !parts.empty() && std::all_of(parts.begin(), parts.end(), [](const auto& m) {
               return modifiers.count(m) > 0;
           });
}

TEST(MenuModel, EightSubmenusWithTheirItems) {
    const platform::MenuBar bar = build_app_menu();
    std::vector<std::string> titles;
    for (const platform::Submenu& submenu : bar) {
        titles.push_back(submenu.title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Corvane", "File", "Edit", "View", "History",
                                                "Bookmarks", "Window", "Help"}));
    EXPECT_EQ(items(bar).size(), 37u);

    // No two items share an id or a shortcut, and every shortcut is one the toolkit reads.
    std::set<std::string> ids;
    std::map<std::string, std::string> shortcuts;
    for (const MenuEntry* entry : items(bar)) {
        EXPECT_TRUE(ids.insert(entry->id).second) << entry->id;
        EXPECT_FALSE(entry->title.empty()) << entry->id;
        if (!entry->accelerator.empty()) {
            EXPECT_TRUE(accelerator_parses(entry->accelerator)) << entry->accelerator;
            const auto [it, fresh] = shortcuts.emplace(entry->accelerator, entry->id);
            EXPECT_TRUE(fresh) << entry->accelerator << " on " << it->second << " and "
                               << entry->id;
        }
    }
    EXPECT_EQ(shortcuts["CmdOrCtrl+Digit0"], "zoomReset");
    EXPECT_EQ(shortcuts["CmdOrCtrl+T"], "newTab");
    EXPECT_EQ(shortcuts["Control+Tab"], "nextTab");
    EXPECT_EQ(shortcuts["Control+Shift+Tab"], "prevTab");
    // The items that open a dialog or ask for more say so with a real ellipsis.
    for (const MenuEntry* entry : items(bar)) {
        const bool dots = entry->title.ends_with("…");
        EXPECT_EQ(dots, entry->id == "settings" || entry->id == "clear" ||
                            entry->id == "focusOmnibox" || entry->id == "print" ||
                            entry->id == "find")
            << entry->title;
        EXPECT_EQ(entry->title.find("..."), std::string::npos);
    }
}

TEST(MenuModel, WindowMenuEndsWithNineTabNumbers) {
    const platform::MenuBar bar = build_app_menu();
    const std::vector<MenuEntry>& window = bar.at(6).entries;
    ASSERT_GE(window.size(), 9u);
    for (int n = 1; n <= 9; ++n) {
        const MenuEntry& entry = window[window.size() - 9 + static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(entry.id, "tab" + std::to_string(n));
        EXPECT_EQ(entry.title, "Tab " + std::to_string(n));
        EXPECT_EQ(entry.accelerator, "CmdOrCtrl+Digit" + std::to_string(n));
    }
    EXPECT_EQ(window[0].kind, MenuEntry::Kind::predefined);
    EXPECT_EQ(window[0].predefined, PredefinedItem::minimize);
    EXPECT_EQ(window[1].predefined, PredefinedItem::zoom);
}

TEST(MenuModel, SystemItemsCarryNoIdTitleOrShortcutOfOurs) {
    std::vector<PredefinedItem> kinds;
    for (const platform::Submenu& submenu : build_app_menu()) {
        for (const MenuEntry& entry : submenu.entries) {
            if (entry.kind != MenuEntry::Kind::item) {
                EXPECT_TRUE(entry.id.empty() && entry.title.empty() && entry.accelerator.empty());
            }
            if (entry.kind == MenuEntry::Kind::predefined) {
                kinds.push_back(entry.predefined);
            }
        }
    }
    EXPECT_EQ(kinds,
              (std::vector<PredefinedItem>{
                  PredefinedItem::services, PredefinedItem::hide, PredefinedItem::hide_others,
                  PredefinedItem::show_all, PredefinedItem::undo, PredefinedItem::redo,
                  PredefinedItem::cut, PredefinedItem::copy, PredefinedItem::paste,
                  PredefinedItem::select_all, PredefinedItem::fullscreen, PredefinedItem::minimize,
                  PredefinedItem::zoom}));
}

class MenuCommandsTest : public CoreTest {};

TEST_F(MenuCommandsTest, ActivationsArriveAsMenuCommands) {
    install_app_menu(platform, EventLoopProxy(queue));
    ASSERT_EQ(platform.menu_bar.size(), 8u);
    ASSERT_TRUE(platform.menu_handler);
    platform.menu_handler("newTab");
    platform.menu_handler("tab3");
    std::vector<std::string> ids;
    for (UserEvent& event : take_posted()) {
        ids.push_back(std::get<event::MenuCommand>(event).id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"newTab", "tab3"}));
    queue->close();
    platform.menu_handler("quit"); // the loop has ended: dropped
    EXPECT_EQ(queue->size(), 0u);
}

// Every item of ours does something when chosen; the two help items are taken by the event loop
// before commands run.
TEST_F(MenuCommandsTest, EveryItemNamesACommand) {
    const std::set<std::string> not_commands{"helpSite", "helpPrivacy",
                                             // FIXME: the pane opens with the developer tools.
                                             "devtools"};
    const platform::MenuBar bar = build_app_menu();
    for (const MenuEntry* entry : items(bar)) {
        if (not_commands.count(entry->id) > 0) {
            continue;
        }
        app.windows.clear();
        app.closed_tabs = {"https://closed.test/"};
        // Nine tabs, so that every tab number has a tab to select.
        std::vector<SessionTab> tabs;
        for (int n = 1; n <= 9; ++n) {
            tabs.push_back({"https://t" + std::to_string(n) + ".test/", "T"});
        }
        create_window(app, WindowKind::normal, tabs, 0);
        make_ready(0);
        FakeWebView& view = fake(tab(0, 0).webview);
        view.url = "https://t1.test/";
        const std::size_t chrome_calls = chrome().calls.size();
        const std::size_t tab_calls = view.calls.size();
        const TabId active = tab(0, 0).id;
        ControlFlow flow = ControlFlow::wait;
        run_command(app, entry->id, flow);
        const bool changed = app.windows.size() != 1 || app.windows[0].tabs.size() != tabs.size() ||
                             tab(0, app.windows[0].active).id != active ||
                             chrome().calls.size() != chrome_calls ||
                             view.calls.size() != tab_calls || flow == ControlFlow::exit;
        EXPECT_TRUE(changed) << entry->id;
    }
}

} // namespace
} // namespace corvane::test
