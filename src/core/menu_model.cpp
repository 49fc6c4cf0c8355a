#include "core/menu_model.h"

#include <array>
#include <memory>
#include <span>
#include <string_view>
#include <utility>

namespace corvane {

namespace {

using platform::MenuEntry;
using platform::PredefinedItem;

struct Row {
    MenuEntry::Kind kind;
    std::string_view id;
    std::string_view title;
    std::string_view accelerator;
    PredefinedItem predefined = PredefinedItem::undo;
};

constexpr Row item(std::string_view id, std::string_view title, std::string_view accelerator = {}) {
    return {MenuEntry::Kind::item, id, title, accelerator};
}

constexpr Row separator() {
    return {MenuEntry::Kind::separator, {}, {}, {}};
}

constexpr Row predefined(PredefinedItem which) {
    return {MenuEntry::Kind::predefined, {}, {}, {}, which};
}

constexpr std::array kApplicationMenu{
    item("about", "About Corvane"),
    separator(),
    item("settings", "Settings…", "CmdOrCtrl+Comma"),
    item("clear", "Clear Browsing Data…", "CmdOrCtrl+Shift+Backspace"),
    separator(),
    predefined(PredefinedItem::services),
    separator(),
    predefined(PredefinedItem::hide),
    predefined(PredefinedItem::hide_others),
    predefined(PredefinedItem::show_all),
    separator(),
    item("quit", "Quit Corvane", "CmdOrCtrl+Q"),
};

constexpr std::array kFileMenu{
    item("newTab", "New Tab", "CmdOrCtrl+T"),
    item("newWindow", "New Window", "CmdOrCtrl+N"),
    item("privateWindow", "New Private Window", "CmdOrCtrl+Shift+N"),
    item("focusOmnibox", "Open Location…", "CmdOrCtrl+L"),
    separator(),
    item("closeTab", "Close Tab", "CmdOrCtrl+W"),
    item("closeWindow", "Close Window", "CmdOrCtrl+Shift+W"),
    item("reopenTab", "Reopen Closed Tab", "CmdOrCtrl+Shift+T"),
    separator(),
    item("print", "Print…", "CmdOrCtrl+P"),
};

constexpr std::array kEditMenu{
    predefined(PredefinedItem::undo),
    predefined(PredefinedItem::redo),
    separator(),
    predefined(PredefinedItem::cut),
    predefined(PredefinedItem::copy),
    predefined(PredefinedItem::paste),
    predefined(PredefinedItem::select_all),
    separator(),
    item("find", "Find…", "CmdOrCtrl+F"),
};

constexpr std::array kViewMenu{
    item("reload", "Reload Page", "CmdOrCtrl+R"),
    separator(),
    item("zoomIn", "Zoom In", "CmdOrCtrl+Equal"),
    item("zoomOut", "Zoom Out", "CmdOrCtrl+Minus"),
    item("zoomReset", "Actual Size", "CmdOrCtrl+Digit0"),
    separator(),
    item("devtools", "Developer Tools", "CmdOrCtrl+Alt+I"),
    separator(),
    predefined(PredefinedItem::fullscreen),
};

constexpr std::array kHistoryMenu{
    item("back", "Back", "CmdOrCtrl+BracketLeft"),
    item("forward", "Forward", "CmdOrCtrl+BracketRight"),
    separator(),
    item("history", "Show All History", "CmdOrCtrl+Y"),
};

constexpr std::array kBookmarksMenu{
    item("bookmark", "Bookmark This Page", "CmdOrCtrl+D"),
    item("bookmarks", "Show All Bookmarks", "CmdOrCtrl+Alt+B"),
};

constexpr std::array kWindowMenu{
    predefined(PredefinedItem::minimize),
    predefined(PredefinedItem::zoom),
    separator(),
    item("nextTab", "Show Next Tab", "Control+Tab"),
    item("prevTab", "Show Previous Tab", "Control+Shift+Tab"),
    item("downloads", "Downloads", "CmdOrCtrl+Alt+L"),
};

constexpr std::array kHelpMenu{
    item("helpSite", "Corvane Website"),
    item("helpPrivacy", "Privacy Policy"),
};

// The keys that browsers on Linux share, as second shortcuts of the items above: the menus keep
// showing the first ones. An item is named by its id, a system item by its kind.
struct SecondAccelerator {
    std::string_view id;
    std::string_view accelerator;
    PredefinedItem predefined = PredefinedItem::undo;
};

constexpr SecondAccelerator second(std::string_view id, std::string_view accelerator) {
    return {id, accelerator};
}

constexpr SecondAccelerator second(PredefinedItem which, std::string_view accelerator) {
    return {{}, accelerator, which};
}

constexpr std::array kSecondAccelerators{
    second("back", "Alt+Left"),
    second("forward", "Alt+Right"),
    second("reload", "F5"),
    second("reload", "CmdOrCtrl+Shift+R"),
    second("history", "CmdOrCtrl+H"),
    second("bookmarks", "CmdOrCtrl+Shift+O"),
    second("downloads", "CmdOrCtrl+Shift+Y"),
    second("devtools", "CmdOrCtrl+Shift+I"),
    second("devtools", "F12"),
    second("clear", "CmdOrCtrl+Shift+Delete"),
    second("nextTab", "CmdOrCtrl+PageDown"),
    second("prevTab", "CmdOrCtrl+PageUp"),
    second("focusOmnibox", "F6"),
    second("focusOmnibox", "Alt+D"),
    second(PredefinedItem::fullscreen, "F11"),
    second("zoomIn", "CmdOrCtrl+Plus"),
    second("zoomIn", "CmdOrCtrl+NumpadAdd"),
    second("zoomOut", "CmdOrCtrl+NumpadSubtract"),
};

// Undo and redo have no key in the web engine itself; pages with an editor of their own handle
// these keys first.
constexpr std::array kPageFirstAccelerators{
    second(PredefinedItem::undo, "CmdOrCtrl+Z"),
    second(PredefinedItem::redo, "CmdOrCtrl+Shift+Z"),
};

struct SubmenuRows {
    std::string_view title;
    std::span<const Row> rows;
};

constexpr std::array<SubmenuRows, 8> kMenuBar{{
    {"Corvane", kApplicationMenu},
    {"File", kFileMenu},
    {"Edit", kEditMenu},
    {"View", kViewMenu},
    {"History", kHistoryMenu},
    {"Bookmarks", kBookmarksMenu},
    {"Window", kWindowMenu},
    {"Help", kHelpMenu},
}};

// The tab-number items are appended to this one.
constexpr std::size_t kWindowSubmenu = 6;
static_assert(kMenuBar[kWindowSubmenu].title == "Window");

bool names(const SecondAccelerator& key, const Row& row) {
    return row.kind == MenuEntry::Kind::predefined
               ? key.id.empty() && key.predefined == row.predefined
               : row.kind == MenuEntry::Kind::item && key.id == row.id;
}

MenuEntry entry(const Row& row) {
    MenuEntry result;
    switch (row.kind) {
    case MenuEntry::Kind::separator:
        return MenuEntry::separator();
    case MenuEntry::Kind::predefined:
        result = MenuEntry::predefined_item(row.predefined);
        break;
    case MenuEntry::Kind::item:
        result = MenuEntry::item(std::string(row.id), std::string(row.title),
                                 std::string(row.accelerator));
        break;
    }
    for (const SecondAccelerator& key : kSecondAccelerators) {
        if (names(key, row)) {
            result.second_accelerators.emplace_back(key.accelerator);
        }
    }
    for (const SecondAccelerator& key : kPageFirstAccelerators) {
        if (names(key, row)) {
            result.page_first_accelerators.emplace_back(key.accelerator);
        }
    }
    return result;
}

} // namespace

platform::MenuBar build_app_menu() {
    platform::MenuBar bar;
    bar.reserve(kMenuBar.size());
    for (const SubmenuRows& table : kMenuBar) {
        platform::Submenu submenu{std::string(table.title), {}};
        for (const Row& row : table.rows) {
            submenu.entries.push_back(entry(row));
        }
        bar.push_back(std::move(submenu));
    }
    platform::Submenu& window = bar[kWindowSubmenu];
    for (int n = 1; n <= kTabNumberItems; ++n) {
        const std::string digit = std::to_string(n);
        window.entries.push_back(
            MenuEntry::item("tab" + digit, "Tab " + digit, "CmdOrCtrl+Digit" + digit));
    }
    return bar;
}

void MenuEventForwarder::forward_menu_event(const std::string& id) {
    std::lock_guard lock(mutex_);
    proxy_.send_event(event::MenuCommand{id});
}

void install_app_menu(platform::Platform& platform, const EventLoopProxy& proxy) {
    auto forwarder = std::make_shared<MenuEventForwarder>(proxy);
    platform.install_menu_bar(build_app_menu(), [forwarder](const std::string& id) {
        forwarder->forward_menu_event(id);
    });
}

} // namespace corvane
