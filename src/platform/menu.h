#pragma once

// The application's menu bar as plain data. Activating one of our own items reports its id;
// predefined items are carried out by the toolkit layer itself.

#include <string>
#include <vector>

namespace corvane::platform {

enum class PredefinedItem {
    services,
    hide,
    hide_others,
    show_all,
    undo,
    redo,
    cut,
    copy,
    paste,
    select_all,
    minimize,
    zoom, // maximize and restore
    fullscreen,
};

struct MenuEntry {
    enum class Kind { item, separator, predefined };

    Kind kind = Kind::item;
    std::string id;
    std::string title;
    // Modifiers joined by "+" and a key name: "CmdOrCtrl+Shift+N", "Control+Tab",
    // "CmdOrCtrl+Digit0", "Alt+Left", "F5". Empty for none; a text that does not parse gives none.
    std::string accelerator;
    PredefinedItem predefined = PredefinedItem::undo;
    // Further shortcuts of the same item, in the same form; the menu shows only the first one.
    std::vector<std::string> second_accelerators;
    // Shortcuts that the focused page gets first: the item runs only when the page leaves the key
    // unhandled (an editor in a page may keep its own undo).
    std::vector<std::string> page_first_accelerators;

    static MenuEntry item(std::string id, std::string title, std::string accelerator = {}) {
        return {Kind::item,
                std::move(id),
                std::move(title),
                std::move(accelerator),
                PredefinedItem::undo,
                {},
                {}};
    }
    static MenuEntry separator() {
        return {Kind::separator, {}, {}, {}, PredefinedItem::undo, {}, {}};
    }
    static MenuEntry predefined_item(PredefinedItem which) {
        return {Kind::predefined, {}, {}, {}, which, {}, {}};
    }
};

struct Submenu {
    std::string title;
    std::vector<MenuEntry> entries;
};

using MenuBar = std::vector<Submenu>;

} // namespace corvane::platform
