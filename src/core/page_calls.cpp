#include "core/page_calls.h"

#include "address/url_classify.h"
#include "core/window_title.h"
#include "engine/actions.h"
#include "protocol/page_call.h"

#include <algorithm>

namespace corvane {

namespace {

TabItem tab_item(const Tab& tab) {
    return {tab.favicon,  tab.host(), tab.id, tab.loading, is_newtab_url(tab.url),
            !tab.webview, tab.title,  tab.url};
}

bool is_bookmarked(const Store& store, std::string_view url) {
    return std::any_of(store.bookmarks.begin(), store.bookmarks.end(),
                       [url](const Bookmark& bookmark) { return bookmark.url == url; });
}

} // namespace

void call_ui_page(platform::WebView& view, std::string_view name,
                  const std::vector<nlohmann::json>& args) {
    view.evaluate_script(ui_page_script(name, args));
}

ChromeState window_state(const App& app, const BrowserWindow& window) {
    const Tab& active = window.tabs[window.active];
    const platform::WebView* live = active.webview.get();
    ChromeState state;
    state.active = active.id;
    state.url =
        shown_url(live ? std::optional<std::string>(live->uri()) : std::nullopt, active.url);
    state.newtab = is_newtab_url(state.url);
    state.bookmarked = !state.newtab && is_bookmarked(app.store, state.url);
    state.can_back = live && live->can_go_back();
    state.can_forward = live && live->can_go_forward();
    state.downloads_unseen = app.downloads_unseen;
    state.fullscreen = window.window->is_fullscreen();
    state.host = state.url == active.url ? active.host() : display_host(state.url);
    state.loading = active.loading;
    state.private_window = window.is_private;
    state.sec = state_security(state.newtab, state.url, live && live->has_secure_connection());
    const Settings& settings = app.store.settings;
    state.shield_active =
        shield_active_for(settings.block_trackers, settings.shield_allowlist, state.host);
    state.tabs.reserve(window.tabs.size());
    for (const Tab& tab : window.tabs) {
        state.tabs.push_back(tab_item(tab));
    }
    state.zoom = active.zoom;
    return state;
}

void render(App& app, std::size_t index) {
    BrowserWindow& window = app.windows[index];
    if (!window.has_active_tab()) {
        return;
    }
    window.window->set_title(window_title(window));
    if (!window.ready_seen) {
        return;
    }
    // The state is built straight into the argument list: the page call then writes it without
    // copying the tree first.
    std::vector<nlohmann::json> args;
    args.push_back(chrome_state_json(window_state(app, window)));
    window.chrome->evaluate_script(ui_page_script("render", args));
}

void show_toast(std::vector<BrowserWindow>& windows, std::size_t window, const std::string& text) {
    call_ui_page(*windows[window].chrome, "toast", {text});
}

void reset_devtools(std::vector<BrowserWindow>& windows, std::size_t index) {
    BrowserWindow& window = windows[index];
    if (!window.devtools) {
        return;
    }
    const Tab* active = window.active_tab();
    call_ui_page(*window.devtools, "reset", {active ? active->url : std::string()});
}

} // namespace corvane
