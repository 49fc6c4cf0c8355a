#include "core/commands.h"

#include "core/bookmark_toggle.h"
#include "core/closing.h"
#include "core/devtools.h"
#include "core/hung_pages.h"
#include "core/page_calls.h"
#include "core/tabs.h"
#include "core/windows.h"
#include "core/zoom.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <utility>
#include <vector>

namespace corvane {

namespace {

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

// Gives the chrome page the keyboard focus, then calls one of its functions.
void call_focused_chrome(App& app, std::size_t window, std::string_view name,
                         const std::vector<nlohmann::json>& args) {
    platform::WebView& chrome = *app.windows[window].chrome;
    chrome.focus();
    call_ui_page(chrome, name, args);
}

// Runs action on the active tab's web view when the tab is awake.
void on_active_view(App& app, std::size_t window, void (platform::WebView::*action)()) {
    if (Tab* tab = app.windows[window].active_tab(); tab && tab->webview) {
        ((*tab->webview).*action)();
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

void select_tab_number(App& app, std::size_t window, std::uint64_t n) {
    const std::size_t count = app.windows[window].tabs.size();
    if (n == 0 || count == 0) {
        return;
    }
    // Number nine is the last tab, however many there are.
    const std::uint64_t index = n == 9 ? count - 1 : n - 1;
    if (index < count) {
        select_tab(app, window, static_cast<std::size_t>(index));
    }
}

using WindowCommand = void (*)(App&, std::size_t window);

struct CommandRow {
    std::string_view id;
    WindowCommand run;
};

// Commands that act on the current window.
constexpr std::array kWindowCommands{
    CommandRow{"newTab",
               [](App& app, std::size_t w) {
                   add_tab(app, w, std::string(kNewTabUrl), TabFocus::foreground, TabPlace::at_end);
                   call_focused_chrome(app, w, "focusOmnibox", {});
               }},
    CommandRow{"focusOmnibox",
               [](App& app, std::size_t w) {
                   call_focused_chrome(app, w, "focusOmnibox", {});
               }},
    CommandRow{"find",
               [](App& app, std::size_t w) {
                   call_focused_chrome(app, w, "openFind", {});
               }},
    CommandRow{"closeTab",
               [](App& app, std::size_t w) {
                   if (const Tab* tab = app.windows[w].active_tab()) {
                       request_close_tab(app, w, tab->id);
                   }
               }},
    CommandRow{"closeWindow", request_close_window},
    CommandRow{"print",
               [](App& app, std::size_t w) {
                   on_active_view(app, w, &platform::WebView::print);
               }},
    CommandRow{"devtools", toggle_devtools},
    CommandRow{"bookmark", toggle_active_bookmark},
    CommandRow{"nextTab",
               [](App& app, std::size_t w) {
                   step_tab(app, w, true);
               }},
    CommandRow{"prevTab",
               [](App& app, std::size_t w) {
                   step_tab(app, w, false);
               }},
};

// Requests to the active tab's page, which do nothing while it sleeps.
constexpr std::array<std::pair<std::string_view, PageRequest::Kind>, 3> kPageRequests{{
    {"back", PageRequest::Kind::back},
    {"forward", PageRequest::Kind::forward},
    {"reload", PageRequest::Kind::reload},
}};

constexpr std::array<std::pair<std::string_view, ZoomStep>, 3> kZoomCommands{{
    {"zoomIn", ZoomStep::in},
    {"zoomOut", ZoomStep::out},
    {"zoomReset", ZoomStep::reset},
}};

// The chrome page opens the sheet or panel named by the command's id.
constexpr std::array<std::string_view, 3> kSheets{"about", "settings", "clear"};
constexpr std::array<std::string_view, 3> kPanels{"history", "bookmarks", "downloads"};

std::string_view row_id(std::string_view id) {
    return id;
}

std::string_view row_id(const CommandRow& row) {
    return row.id;
}

template <typename Value>
std::string_view row_id(const std::pair<std::string_view, Value>& row) {
    return row.first;
}

template <typename Table>
auto find_row(const Table& table, std::string_view id) {
    return std::find_if(table.begin(), table.end(),
                        [id](const auto& row) { return row_id(row) == id; });
}

void run_window_command(App& app, std::size_t window, std::string_view id) {
    if (const auto row = find_row(kWindowCommands, id); row != kWindowCommands.end()) {
        row->run(app, window);
    } else if (const auto page = find_row(kPageRequests, id); page != kPageRequests.end()) {
        ask_active_page(app, window, page->second);
    } else if (const auto zoom = find_row(kZoomCommands, id); zoom != kZoomCommands.end()) {
        zoom_active_tab(app, window, zoom->second);
    } else if (find_row(kSheets, id) != kSheets.end()) {
        call_focused_chrome(app, window, "openSheet", {id});
    } else if (find_row(kPanels, id) != kPanels.end()) {
        call_focused_chrome(app, window, "openPanel", {id});
    } else if (const std::optional<std::uint64_t> n = tab_number(id)) {
        select_tab_number(app, window, *n);
    }
}

} // namespace

std::optional<std::uint64_t> tab_number(std::string_view id) {
    constexpr std::string_view prefix = "tab";
    if (id.size() <= prefix.size() || !id.starts_with(prefix)) {
        return std::nullopt;
    }
    std::string_view digits = id.substr(prefix.size());
    if (digits.front() == '+') {
        digits.remove_prefix(1);
    }
    // from_chars alone would take a leading "-" or stop at the first non-digit.
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

void run_command(App& app, std::string_view id, ControlFlow& flow) {
    if (id == "quit") {
        request_quit(app, flow);
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
    if (const std::optional<std::size_t> window = current_window_index(app)) {
        run_window_command(app, *window, id);
    }
}

} // namespace corvane
