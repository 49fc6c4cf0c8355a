#include "core/navigate.h"

#include "address/address_input.h"
#include "address/navigation_policy.h"
#include "address/search_engines.h"
#include "core/hung_pages.h"
#include "core/page_calls.h"
#include "core/tabs.h"

#include <optional>
#include <string>

namespace corvane {

namespace {

void expect_fallback(Tab* tab, const std::string& url, const std::string& http_url) {
    if (tab != nullptr && tab->webview && !http_url.empty()) {
        tab->webview->expect_https_fallback(url, http_url);
    }
}

// The text resolved with the current search engine; none, after the toast, when it is refused.
std::optional<ResolvedInput> resolve_or_refuse(App& app, std::size_t window,
                                               std::string_view text) {
    const std::string_view url_template = search_engine_url(app.store.settings.search_engine);
    ResolvedInput resolved = resolve_input(text, url_template);
    if (resolved.kind == ResolvedInput::Kind::Blocked) {
        show_toast(app.windows, window, "Blocked: " + resolved.text);
        return std::nullopt;
    }
    return resolved;
}

} // namespace

void navigate(App& app, std::size_t window, std::string_view text, NavigateTarget target) {
    std::optional<ResolvedInput> resolved = resolve_or_refuse(app, window, text);
    if (!resolved) {
        return;
    }
    // A URL and a search load alike.
    std::string url = std::move(resolved->text);
    if (target == NavigateTarget::new_tab) {
        add_tab(app, window, url, TabFocus::foreground, TabPlace::after_active);
        expect_fallback(app.windows[window].active_tab(), url, resolved->http_fallback);
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
        ask_page(app, *tab, {PageRequest::Kind::load, url, resolved->http_fallback});
        tab->webview->focus();
    } else {
        tab->url = url;
        show_tab(app, window);
        expect_fallback(tab, url, resolved->http_fallback);
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

void navigate_from_new_tab_page(App& app, TabLocation where, std::string_view text) {
    Tab& tab = app.windows[where.window].tabs[where.tab];
    // The tab shows its new tab page, not a tab opened on the hand-over address itself.
    if (!tab.webview || !tab.url.starts_with(kNewTabUrl) || is_hand_over_address(tab.url)) {
        return;
    }
    std::optional<ResolvedInput> resolved = resolve_or_refuse(app, where.window, text);
    if (!resolved) {
        return;
    }
    // As in navigate: the tab takes the URL when its load starts.
    tab.webview->load_url(resolved->text);
    expect_fallback(&tab, resolved->text, resolved->http_fallback);
}

} // namespace corvane
