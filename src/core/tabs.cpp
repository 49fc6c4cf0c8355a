#include "core/tabs.h"

#include "core/devtools.h"
#include "core/layout.h"
#include "core/page_calls.h"
#include "core/sleeping.h"
#include "core/windows.h"
#include "engine/webviews.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvane {

namespace {

void remember_closed_tab(App& app, const BrowserWindow& window, const std::string& url) {
    if (window.is_private || is_newtab_url(url)) {
        return;
    }
    app.closed_tabs.push_back(url);
    if (app.closed_tabs.size() > kMaxClosedTabs) {
        app.closed_tabs.pop_front();
    }
}

// The active index after removing the tab at removed, with remaining tabs left (at least one).
std::size_t active_after_close(std::size_t removed, std::size_t active, std::size_t remaining) {
    if (removed < active || active >= remaining) {
        // active is at least 1 here: removed < active, or active >= remaining >= 1.
        return std::min(remaining - 1, active - 1);
    }
    return active;
}

} // namespace

platform::Rect content_bounds(const BrowserWindow& window) {
    return window_layout(window).tab;
}

void spawn_tab_webview(App& app, std::size_t window, Tab& tab, const std::string& url) {
    BrowserWindow& record = app.windows[window];
    const Settings& settings = app.store.settings;
    const TabParams params{url,
                           tab.id,
                           record.is_private,
                           settings.https_only,
                           settings.block_trackers,
                           app.take_view_id(),
                           std::move(tab.session_state),
                           console_hook_for(record, tab)};
    tab.session_state.clear();
    tab.webview = create_tab_webview(app.engine, *record.window, record.data_store, *record.chrome,
                                     params, content_bounds(record));
    tab.view = params.view;
}

void drop_tab_view(Tab& tab) {
    if (tab.webview) {
        tab.session_state = tab.webview->session_state();
        tab.webview.reset();
    }
}

void show_tab(App& app, std::size_t window) {
    BrowserWindow& record = app.windows[window];
    if (!record.has_active_tab()) {
        return;
    }
    Tab& active = record.tabs[record.active];
    if (!active.webview) {
        const std::string url = active.url.empty() ? std::string(kNewTabUrl) : active.url;
        spawn_tab_webview(app, window, active, url);
        if (active.webview &&
            std::abs(active.zoom - 1.0) > std::numeric_limits<double>::epsilon()) {
            active.webview->set_zoom(active.zoom);
        }
    }
    for (Tab& tab : record.tabs) {
        if (tab.webview) {
            tab.webview->set_hidden(&tab != &active);
        }
    }
    active.last_active = app.now();
    if (active.webview) {
        active.webview->set_bounds(content_bounds(record));
    }
    // The page in full screen is no longer shown (closed, or another tab chosen): the window
    // leaves full screen with its interface back.
    if (record.fullscreen_view != 0 && !active.holds(record.fullscreen_view)) {
        set_page_fullscreen(record, 0);
        record.window->set_fullscreen(false);
    }
    place_console_hooks(record);
    enforce_max_awake(app, window);
}

void select_tab(App& app, std::size_t window, std::size_t index) {
    BrowserWindow& record = app.windows[window];
    if (index >= record.tabs.size()) {
        return;
    }
    record.active = index;
    show_tab(app, window);
    reset_devtools(app.windows, window);
    if (Tab* tab = record.active_tab(); tab && tab->webview) {
        tab->webview->focus();
    }
    render(app, window);
}

TabId add_tab(App& app, std::size_t window, std::string url, TabFocus focus, TabPlace place) {
    BrowserWindow& record = app.windows[window];
    const TabId id = app.take_id();
    const std::size_t count = record.tabs.size();
    const std::size_t position =
        place == TabPlace::after_active ? std::min(count, record.active + 1) : count;

    Tab tab;
    tab.url = std::move(url);
    tab.last_active = app.now();
    tab.id = id;
    record.tabs.insert(record.tabs.begin() + static_cast<std::ptrdiff_t>(position), std::move(tab));

    if (focus == TabFocus::foreground) {
        record.active = position;
        show_tab(app, window);
        render(app, window);
        return id;
    }
    if (count > 0 && position <= record.active) {
        ++record.active; // the same tab stays active
    }
    Tab& added = record.tabs[position];
    spawn_tab_webview(app, window, added, added.url);
    if (added.webview) {
        added.webview->set_hidden(true);
    }
    enforce_max_awake(app, window);
    render(app, window);
    return id;
}

bool close_tab(App& app, std::size_t window, TabId id) {
    BrowserWindow& record = app.windows[window];
    const auto it = std::find_if(record.tabs.begin(), record.tabs.end(),
                                 [id](const Tab& tab) { return tab.id == id; });
    if (it == record.tabs.end()) {
        return false;
    }
    const auto removed = static_cast<std::size_t>(it - record.tabs.begin());
    Tab closing = std::move(*it);
    record.tabs.erase(it);
    remember_closed_tab(app, record, closing.url);
    closing = Tab{}; // its web view goes now, before anything is shown again

    if (record.tabs.empty()) {
        return true;
    }
    record.active = active_after_close(removed, record.active, record.tabs.size());
    show_tab(app, window);
    render(app, window);
    return false;
}

} // namespace corvane
