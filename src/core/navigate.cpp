#include "core/navigate.h"

#include "address/address_input.h"
#include "address/search_engines.h"
#include "core/page_calls.h"
#include "core/tabs.h"

#include <string>

namespace corvane {

void navigate(App& app, std::size_t window, std::string_view text, NavigateTarget target) {
    const std::string_view url_template = search_engine_url(app.store.settings.search_engine);
    ResolvedInput resolved = resolve_input(text, url_template);
    if (resolved.kind == ResolvedInput::Kind::Blocked) {
        show_toast(app.windows, window, "Blocked: " + resolved.text);
        return;
    }
    // A URL and a search load alike.
    std::string url = std::move(resolved.text);
    if (target == NavigateTarget::new_tab) {
        add_tab(app, window, std::move(url), TabFocus::foreground, TabPlace::after_active);
        return;
    }
    BrowserWindow& record = app.windows[window];
    Tab* tab = record.active_tab();
    if (tab == nullptr) {
        return;
    }
    if (tab->webview) {
        // The tab takes the URL when its load starts: a page may refuse to be left ("Stay on
        // Page"), and then the tab still shows, saves and bookmarks the page it holds.
        tab->webview->load_url(url);
        tab->webview->focus();
    } else {
        tab->url = url;
        show_tab(app, window);
    }
    render(app, window);
}

} // namespace corvane
