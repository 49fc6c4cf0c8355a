#include "core/bookmark_toggle.h"

#include "core/newtab_data.h"
#include "core/page_calls.h"
#include "engine/actions.h"
#include "store/history.h"

#include <optional>
#include <string>

namespace corvane {

namespace {

// What the tab shows now: the live view's address, else the stored one.
std::string page_url(const Tab& tab) {
    if (tab.webview) {
        if (std::optional<std::string> live = current_url(*tab.webview)) {
            return std::move(*live);
        }
    }
    return tab.url;
}

bool is_web_url(std::string_view url) {
    return url.starts_with("http://") || url.starts_with("https://");
}

} // namespace

void toggle_active_bookmark(App& app, std::size_t window) {
    const Tab* tab = app.windows[window].active_tab();
    if (tab == nullptr || tab->url.empty() || tab->url.starts_with(kNewTabUrl)) {
        return;
    }
    const std::string url = page_url(*tab);
    if (!is_web_url(url)) {
        return;
    }
    const bool added = toggle_bookmark(app.store, url, tab->title);
    update_newtab_snapshot(app);
    call_ui_page(*app.windows[window].chrome, "toast", {added ? "Bookmarked" : "Bookmark removed"});
    render(app, window);
}

} // namespace corvane
