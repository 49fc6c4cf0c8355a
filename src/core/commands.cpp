#include "core/commands.h"

#include "core/page_calls.h"
#include "core/tabs.h"
#include "core/windows.h"
#include "engine/actions.h"

#include <utility>

namespace corvane {

namespace {

void quit(App& app, ControlFlow& flow) {
    save_session_now(app);
    flow = ControlFlow::exit;
}

void reopen_tab(App& app) {
    if (app.closed_tabs.empty()) {
        return;
    }
    std::string url = std::move(app.closed_tabs.back());
    app.closed_tabs.pop_back();
    if (const std::optional<std::size_t> window = current_window_index(app)) {
        add_tab(app, *window, std::move(url), TabFocus::foreground, TabPlace::after_active);
    } else {
        create_window(app, WindowKind::normal, {{std::move(url), ""}}, 0);
    }
}

void new_tab(App& app, std::size_t window) {
    add_tab(app, window, std::string(kNewTabUrl), TabFocus::foreground, TabPlace::at_end);
    platform::WebView& chrome = *app.windows[window].chrome;
    chrome.focus();
    call_ui_page(chrome, "focusOmnibox", {});
}

void close_active_tab(App& app, std::size_t window) {
    const Tab* tab = app.windows[window].active_tab();
    if (tab != nullptr && close_tab(app, window, tab->id)) {
        close_window(app, window);
    }
}

// Runs action on the active tab's web view when the tab is awake.
void on_active_view(App& app, std::size_t window, void (*action)(platform::WebView&)) {
    if (Tab* tab = app.windows[window].active_tab(); tab && tab->webview) {
        action(*tab->webview);
    }
}

void step_tab(App& app, std::size_t window, bool forward) {
    const BrowserWindow& record = app.windows[window];
    const std::size_t count = record.tabs.size();
    if (count < 2) {
        return;
    }
    select_tab(app, window, (record.active + (forward ? 1 : count - 1)) % count);
}

using WindowCommand = void (*)(App&, std::size_t);

struct CommandRow {
    std::string_view id;
    WindowCommand run;
};

// Commands that act on the current window.
const CommandRow kWindowCommands[] = {
    {"newTab", new_tab},
    {"closeTab", close_active_tab},
    {"closeWindow", close_window},
    {"back",
     [](App& app, std::size_t w) {
         on_active_view(app, w, go_back);
     }},
    {"forward",
     [](App& app, std::size_t w) {
         on_active_view(app, w, go_forward);
     }},
    {"reload",
     [](App& app, std::size_t w) {
         on_active_view(app, w, reload_page);
     }},
    {"nextTab",
     [](App& app, std::size_t w) {
         step_tab(app, w, true);
     }},
    {"prevTab",
     [](App& app, std::size_t w) {
         step_tab(app, w, false);
     }},
};

} // namespace

void run_command(App& app, std::string_view id, ControlFlow& flow) {
    if (id == "quit") {
        quit(app, flow);
        return;
    }
    if (id == "newWindow" || id == "privateWindow" || (id == "newTab" && app.windows.empty())) {
        create_window(
            app, id == "privateWindow" ? WindowKind::private_browsing : WindowKind::normal, {}, 0);
        return;
    }
    if (id == "reopenTab") {
        reopen_tab(app);
        return;
    }
    const std::optional<std::size_t> window = current_window_index(app);
    if (!window) {
        return;
    }
    for (const CommandRow& row : kWindowCommands) {
        if (row.id == id) {
            row.run(app, *window);
            return;
        }
    }
    // FIXME: the commands for zoom, bookmarks, find, printing, the developer tools, panels,
    // sheets and tab numbers come with the menu bar; until then their ids do nothing.
}

} // namespace corvane
