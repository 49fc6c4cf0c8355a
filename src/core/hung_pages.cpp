#include "core/hung_pages.h"

#include "core/crash_guard.h"
#include "core/page_calls.h"
#include "engine/actions.h"

#include <utility>

namespace corvane {

namespace {

void make_request(platform::WebView& view, const PageRequest& request) {
    switch (request.kind) {
    case PageRequest::Kind::load:
        view.load_url(request.url);
        if (!request.http_fallback.empty()) {
            view.expect_https_fallback(request.url, request.http_fallback);
        }
        break;
    case PageRequest::Kind::reload:
        view.reload();
        break;
    case PageRequest::Kind::stop:
        // The engine's own stop besides the page's: only a request of the engine's lets it
        // notice a page that does not answer.
        view.stop_loading();
        stop_loading(view);
        break;
    case PageRequest::Kind::back:
        view.go_back();
        break;
    case PageRequest::Kind::forward:
        view.go_forward();
        break;
    }
}

// Its report comes before this returns and is no crash. A stopped page leaves nothing to show
// but a page that says so.
void end_process_and_ask(Tab& tab, const PageRequest& request) {
    tab.request.reset();
    tab.process_ended_on_purpose = true;
    tab.webview->terminate_web_process();
    if (request.kind == PageRequest::Kind::stop) {
        tab.webview->show_error_page(stopped_page_html(tab.title), tab.url);
    } else {
        make_request(*tab.webview, request);
    }
}

} // namespace

void ask_page(App& app, Tab& tab, PageRequest request) {
    if (!tab.webview) {
        return;
    }
    if (!tab.webview->is_responsive()) {
        end_process_and_ask(tab, request);
        return;
    }
    make_request(*tab.webview, request);
    tab.request = std::move(request);
    tab.request_at = app.now();
}

void ask_active_page(App& app, std::size_t window, PageRequest::Kind kind) {
    if (Tab* tab = app.windows[window].active_tab()) {
        ask_page(app, *tab, {kind, {}, {}});
    }
}

void on_web_content_unresponsive(App& app, const event::WebContentUnresponsive& hung) {
    const std::optional<TabLocation> where = find_tab_view(app, hung.tab, hung.view);
    if (!where) {
        return;
    }
    Tab& tab = app.windows[where->window].tabs[where->tab];
    const Instant now = app.now();
    if (!tab.request || tab.request_at > now || now - tab.request_at > kRequestAnswerSpan) {
        return;
    }
    const PageRequest request = std::move(*tab.request);
    end_process_and_ask(tab, request);
    render(app, where->window);
}

} // namespace corvane
