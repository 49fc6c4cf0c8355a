// The menu bar's shape and the path from an activation to the event loop.
#include "core/commands.h"
#include "core/menu_model.h"
#include "core_fixture.h"

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

TEST(MenuModel, IdsAndShortcutsAreUniqueAndSystemItemsCarryNothingOfOurs) {
    const platform::MenuBar bar = build_app_menu();
    std::set<std::string> ids;
    // Every shortcut, first or second, on every entry, names one entry only.
    std::map<std::string, std::string> shortcuts;
    for (const platform::Submenu& submenu : bar) {
        for (const MenuEntry& entry : submenu.entries) {
            const std::string name = entry.kind == MenuEntry::Kind::item
                                         ? entry.id
                                         : std::to_string(static_cast<int>(entry.predefined));
            std::vector<std::string> keys = entry.second_accelerators;
            if (entry.kind == MenuEntry::Kind::item) {
                EXPECT_TRUE(ids.insert(entry.id).second) << entry.id;
                EXPECT_FALSE(entry.title.empty()) << entry.id;
                EXPECT_EQ(entry.title.find("..."), std::string::npos) << entry.title;
                keys.push_back(entry.accelerator);
            } else {
                EXPECT_TRUE(entry.id.empty() && entry.title.empty() && entry.accelerator.empty());
            }
            for (const std::string& key : keys) {
                const auto [it, fresh] = shortcuts.emplace(key, name);
                EXPECT_TRUE(key.empty() || fresh) << key << " on " << it->second << " and " << name;
            }
        }
    }
    const std::pair<std::string, std::string> named[] = {
        {"CmdOrCtrl+Digit0", "zoomReset"},
        {"CmdOrCtrl+T", "newTab"},
        {"Control+Tab", "nextTab"},
        {"Control+Shift+Tab", "prevTab"},
        {"F5", "reload"},
        {"CmdOrCtrl+Shift+R", "reload"},
        {"F12", "devtools"},
        {"CmdOrCtrl+PageDown", "nextTab"},
        {"F11", std::to_string(static_cast<int>(PredefinedItem::fullscreen))}};
    for (const auto& [key, name] : named) {
        EXPECT_EQ(shortcuts[key], name) << key;
    }
}

TEST(MenuModel, WindowMenuEndsWithNineTabNumbers) {
    const platform::MenuBar bar = build_app_menu();
    const std::vector<MenuEntry>& window = bar.at(6).entries;
    ASSERT_GE(window.size(), 9u);
    for (std::size_t n = 1; n <= 9; ++n) {
        const MenuEntry& entry = window[window.size() - 10 + n];
        EXPECT_EQ(entry.id, "tab" + std::to_string(n));
        EXPECT_EQ(entry.title, "Tab " + std::to_string(n));
        EXPECT_EQ(entry.accelerator, "CmdOrCtrl+Digit" + std::to_string(n));
    }
}

TEST_F(CoreTest, MenuActivationsArriveAsMenuCommandsUntilTheLoopEnds) {
    install_app_menu(platform, EventLoopProxy(queue));
    EXPECT_EQ(platform.menu_bar.size(), build_app_menu().size());
    ASSERT_TRUE(platform.menu_handler);
    platform.menu_handler("newTab");
    platform.menu_handler("tab3");
    std::vector<std::string> ids;
    for (UserEvent& event : take_posted()) {
        ids.push_back(std::get<event::MenuCommand>(event).id);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"newTab", "tab3"}));
    queue->close();
    platform.menu_handler("quit");
    EXPECT_EQ(queue->size(), 0u);
}

// Every item of ours does something when chosen; the two help items are taken by the event loop
// before commands run.
TEST_F(CoreTest, EveryMenuItemNamesACommand) {
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
        open_numbered(9); // so that every tab number has a tab to select
        FakeWebView& view = fake(tab(0, 0).webview);
        view.url = "https://t0.test/";
        const std::size_t chrome_calls = chrome().calls.size();
        const std::size_t tab_calls = view.calls.size();
        const TabId active = tab(0, 0).id;
        flow = ControlFlow::wait;
        run(entry->id);
        const bool changed = app.windows.size() != 1 || app.windows[0].tabs.size() != 9 ||
                             tab(0, app.windows[0].active).id != active ||
                             chrome().calls.size() != chrome_calls ||
                             view.calls.size() != tab_calls || flow == ControlFlow::exit;
        EXPECT_TRUE(changed) << entry->id;
    }
}

} // namespace
} // namespace corvane::test
