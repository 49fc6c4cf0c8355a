#include "core/navigate.h"

#include "address/address_input.h"
#include "address/search_engines.h"
#include "core/page_calls.h"
#include "core/tabs.h"

#include <string>

namespace corvane {

namespace {

void expect_fallback(Tab* tab, const std::string& url, const std::string& http_url) {
    if (tab != nullptr && tab->webview && !http_url.empty()) {
        tab->webview->expect_https_fallback(url, http_url);
    }
}

} // namespace

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
        add_tab(app, window, url, TabFocus::foreground, TabPlace::after_active);
        expect_fallback(app.windows[window].active_tab(), url, resolved.http_fallback);
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
        expect_fallback(tab, url, resolved.http_fallback);
        tab->webview->focus();
    } else {
        tab->url = url;
        show_tab(app, window);
        expect_fallback(tab, url, resolved.http_fallback);
    }
    render(app, window);
}

void expect_typed_fallback(App& app, std::size_t window, std::string_view text) {
    ResolvedInput resolved =
        resolve_input(text, search_engine_url(app.store.settings.search_engine));
    Tab* tab = app.windows[window].active_tab();
    if (tab != nullptr && tab->url == resolved.text) {
        expect_fallback(tab, resolved.text, resolved.http_fallback);
    }
}

} // namespace corvane
