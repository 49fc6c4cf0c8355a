#include "platform/gtk/gtk_menu.h"

#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/keyboard_focus.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <utility>
#include <webkit/webkit.h>

namespace corvane::platform::gtk {

namespace {

struct KeyName {
    std::string_view ours;
    std::string_view gtk;
};

constexpr std::array kKeyNames{
    KeyName{"Comma", "comma"},
    KeyName{"Backspace", "BackSpace"},
    KeyName{"Equal", "equal"},
    KeyName{"Minus", "minus"},
    KeyName{"BracketLeft", "bracketleft"},
    KeyName{"BracketRight", "bracketright"},
    KeyName{"Tab", "Tab"},
    KeyName{"Period", "period"},
    KeyName{"Slash", "slash"},
    KeyName{"Escape", "Escape"},
    KeyName{"Enter", "Return"},
    KeyName{"Space", "space"},
    KeyName{"Left", "Left"},
    KeyName{"Right", "Right"},
    KeyName{"Delete", "Delete"},
    KeyName{"PageUp", "Page_Up"},
    KeyName{"PageDown", "Page_Down"},
    KeyName{"Plus", "plus"},
    KeyName{"NumpadAdd", "KP_Add"},
    KeyName{"NumpadSubtract", "KP_Subtract"},
};

// "F1" to "F12".
bool function_key(std::string_view key) {
    if (key.size() < 2 || key.size() > 3 || key[0] != 'F' || key[1] == '0') {
        return false;
    }
    const bool digits =
        std::all_of(key.begin() + 1, key.end(), [](char c) { return g_ascii_isdigit(c); });
    return digits && std::stoi(std::string(key.substr(1))) <= 12;
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kModifiers{{
    {"CmdOrCtrl", "<Control>"},
    {"Control", "<Control>"},
    {"Ctrl", "<Control>"},
    {"Shift", "<Shift>"},
    {"Alt", "<Alt>"},
}};

std::optional<std::string> key_name(std::string_view key) {
    if (key.size() == 1 && g_ascii_isalpha(key[0])) {
        return std::string(1, g_ascii_tolower(key[0]));
    }
    if (key.size() == 6 && key.starts_with("Digit") && g_ascii_isdigit(key[5])) {
        return std::string(1, key[5]);
    }
    if (function_key(key)) {
        return std::string(key);
    }
    for (const KeyName& name : kKeyNames) {
        if (name.ours == key) {
            return std::string(name.gtk);
        }
    }
    return std::nullopt;
}

constexpr const char* kPageFirstShortcuts = "corvane-page-first-shortcuts";

// Where the predefined items act: the web view of the active window that had the keyboard before
// the menu took it, or the window.
GtkWindow* active_window(GtkApplication* application) {
    return gtk_application_get_active_window(application);
}

void run_editing_command(GtkApplication* application, const char* command) {
    act_on_keyboard_view(active_window(application), [command](WebKitWebView* view) {
        webkit_web_view_execute_editing_command(view, command);
    });
}

// Shared by every window's listener, so installing the bar again reaches windows already open.
GListStore* page_first_shortcuts(GtkApplication* application) {
    auto* store =
        static_cast<GListStore*>(g_object_get_data(G_OBJECT(application), kPageFirstShortcuts));
    if (store == nullptr) {
        store = g_list_store_new(GTK_TYPE_SHORTCUT);
        g_object_set_data_full(G_OBJECT(application), kPageFirstShortcuts, store, g_object_unref);
    }
    return store;
}

void add_page_first_shortcuts(GtkApplication* application, const char* action, const char* target,
                              const MenuEntry& entry) {
    for (const std::string& text : entry.page_first_accelerators) {
        if (std::optional<std::string> accel = gtk_accelerator(text)) {
            GtkShortcut* shortcut = gtk_shortcut_new(
                gtk_shortcut_trigger_parse_string(accel->c_str()), gtk_named_action_new(action));
            gtk_shortcut_set_arguments(shortcut, g_variant_new_string(target));
            g_list_store_append(page_first_shortcuts(application), shortcut);
            g_object_unref(shortcut);
        }
    }
}

struct Predefined {
    PredefinedItem item;
    const char* id;
    const char* title;
};

constexpr std::array kPredefined{
    Predefined{PredefinedItem::undo, "undo", "Undo"},
    Predefined{PredefinedItem::redo, "redo", "Redo"},
    Predefined{PredefinedItem::cut, "cut", "Cut"},
    Predefined{PredefinedItem::copy, "copy", "Copy"},
    Predefined{PredefinedItem::paste, "paste", "Paste"},
    Predefined{PredefinedItem::select_all, "selectAll", "Select All"},
    Predefined{PredefinedItem::minimize, "minimize", "Minimize"},
    Predefined{PredefinedItem::zoom, "zoom", "Zoom"},
    Predefined{PredefinedItem::fullscreen, "fullscreen", "Full Screen"},
};

const Predefined* find_predefined(PredefinedItem item) {
    for (const Predefined& entry : kPredefined) {
        if (entry.item == item) {
            return &entry;
        }
    }
    return nullptr; // services, hide, hide others, show all: nothing like them here
}

void run_predefined(GtkApplication* application, std::string_view id) {
    static constexpr std::array<std::pair<std::string_view, const char*>, 6> kEditing{{
        {"undo", WEBKIT_EDITING_COMMAND_UNDO},
        {"redo", WEBKIT_EDITING_COMMAND_REDO},
        {"cut", WEBKIT_EDITING_COMMAND_CUT},
        {"copy", WEBKIT_EDITING_COMMAND_COPY},
        {"paste", WEBKIT_EDITING_COMMAND_PASTE},
        {"selectAll", WEBKIT_EDITING_COMMAND_SELECT_ALL},
    }};
    for (const auto& [name, command] : kEditing) {
        if (name == id) {
            run_editing_command(application, command);
            return;
        }
    }
    GtkWindow* window = active_window(application);
    if (window == nullptr) {
        return;
    }
    if (id == "minimize") {
        gtk_window_minimize(window);
    } else if (id == "zoom") {
        gtk_window_is_maximized(window) ? gtk_window_unmaximize(window)
                                        : gtk_window_maximize(window);
    } else if (id == "fullscreen") {
        gtk_window_is_fullscreen(window) ? gtk_window_unfullscreen(window)
                                         : gtk_window_fullscreen(window);
    }
}

struct MenuHandlers {
    std::function<void(const std::string&)> on_activate;
};

void on_cmd(GSimpleAction*, GVariant* parameter, gpointer data) {
    auto* handlers = static_cast<MenuHandlers*>(data);
    if (handlers->on_activate && parameter != nullptr) {
        handlers->on_activate(g_variant_get_string(parameter, nullptr));
    }
}

void on_predefined(GSimpleAction*, GVariant* parameter, gpointer application) {
    if (parameter != nullptr) {
        run_predefined(static_cast<GtkApplication*>(application),
                       g_variant_get_string(parameter, nullptr));
    }
}

void delete_handlers(gpointer data, GClosure*) {
    delete static_cast<MenuHandlers*>(data);
}

// The action owns data when release is given.
void add_action(GtkApplication* application, const char* name, GCallback handler, gpointer data,
                GClosureNotify release) {
    g_autoptr(GSimpleAction) action = g_simple_action_new(name, G_VARIANT_TYPE_STRING);
    g_signal_connect_data(action, "activate", handler, data, release, GConnectFlags(0));
    g_action_map_remove_action(G_ACTION_MAP(application), name);
    g_action_map_add_action(G_ACTION_MAP(application), G_ACTION(action));
}

// The entry's own shortcut first: GTK shows the first of the list in the menu.
void bind_accelerators(GtkApplication* application, const char* detailed, const MenuEntry& entry) {
    std::vector<std::string> accels;
    if (std::optional<std::string> own = gtk_accelerator(entry.accelerator)) {
        accels.push_back(std::move(*own));
    }
    for (const std::string& text : entry.second_accelerators) {
        if (std::optional<std::string> accel = gtk_accelerator(text)) {
            accels.push_back(std::move(*accel));
        }
    }
    if (accels.empty()) {
        return;
    }
    // GTK stores "<Shift>ISO_Left_Tab" as "<Shift>Tab", so one form serves Shift+Tab.
    std::vector<const char*> list;
    for (const std::string& accel : accels) {
        list.push_back(accel.c_str());
    }
    list.push_back(nullptr);
    gtk_application_set_accels_for_action(application, detailed, list.data());
}

GMenu* build_submenu(GtkApplication* application, const Submenu& submenu) {
    GMenu* menu = g_menu_new();
    auto section = GObjectPtr<GMenu>::adopt(g_menu_new());
    auto close_section = [&] {
        if (g_menu_model_get_n_items(G_MENU_MODEL(section.get())) > 0) {
            g_menu_append_section(menu, nullptr, G_MENU_MODEL(section.get()));
        }
        section = GObjectPtr<GMenu>::adopt(g_menu_new());
    };
    for (const MenuEntry& entry : submenu.entries) {
        if (entry.kind == MenuEntry::Kind::separator) {
            close_section();
        } else if (entry.kind == MenuEntry::Kind::predefined) {
            if (const Predefined* predefined = find_predefined(entry.predefined)) {
                g_autofree char* detailed = g_action_print_detailed_name(
                    "app.predefined", g_variant_new_string(predefined->id));
                g_menu_append(section.get(), predefined->title, detailed);
                bind_accelerators(application, detailed, entry);
                add_page_first_shortcuts(application, "app.predefined", predefined->id, entry);
            }
        } else {
            g_autofree char* detailed =
                g_action_print_detailed_name("app.cmd", g_variant_new_string(entry.id.c_str()));
            g_menu_append(section.get(), entry.title.c_str(), detailed);
            bind_accelerators(application, detailed, entry);
            add_page_first_shortcuts(application, "app.cmd", entry.id.c_str(), entry);
        }
    }
    close_section();
    return menu;
}

} // namespace

std::optional<std::string> gtk_accelerator(const std::string& accelerator) {
    std::string result;
    std::string_view rest = accelerator;
    while (true) {
        std::size_t plus = rest.find('+');
        std::string_view part = rest.substr(0, plus);
        if (plus == std::string_view::npos) {
            std::optional<std::string> key = key_name(part);
            if (!key) {
                return std::nullopt;
            }
            result += *key;
            break;
        }
        auto modifier = std::find_if(kModifiers.begin(), kModifiers.end(),
                                     [&](const auto& m) { return m.first == part; });
        if (modifier == kModifiers.end()) {
            return std::nullopt;
        }
        result += modifier->second;
        rest.remove_prefix(plus + 1);
    }
    guint key = 0;
    GdkModifierType modifiers{};
    if (!gtk_accelerator_parse(result.c_str(), &key, &modifiers)) {
        return std::nullopt;
    }
    return result;
}

void install_gtk_menu_bar(GtkApplication* application, const MenuBar& bar,
                          std::function<void(const std::string& id)> on_activate) {
    auto* handlers = new MenuHandlers{std::move(on_activate)};
    add_action(application, "cmd", as_callback(on_cmd), handlers, delete_handlers);
    add_action(application, "predefined", as_callback(on_predefined), application, nullptr);
    g_list_store_remove_all(page_first_shortcuts(application));
    g_autoptr(GMenu) menubar = g_menu_new();
    for (const Submenu& submenu : bar) {
        g_autoptr(GMenu) menu = build_submenu(application, submenu);
        g_menu_append_submenu(menubar, submenu.title.c_str(), G_MENU_MODEL(menu));
    }
    gtk_application_set_menubar(application, G_MENU_MODEL(menubar));
}

void listen_for_page_first_keys(GtkApplication* application, GtkWindow* window) {
    GtkEventController* controller =
        gtk_shortcut_controller_new_for_model(G_LIST_MODEL(page_first_shortcuts(application)));
    gtk_event_controller_set_propagation_phase(controller, GTK_PHASE_BUBBLE);
    gtk_widget_add_controller(GTK_WIDGET(window), controller);
}

} // namespace corvane::platform::gtk
