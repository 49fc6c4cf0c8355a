// The web process extension of content tabs. WebKitGTK has no HTTPS-Only mode with a fallback,
// and the browser cannot tell a main frame's navigation from a subframe's in its navigation
// decision; here, in the web process, the main resource is known: its request carries the URL the
// page is loading. So the browser decides for every http navigation it allows (per tab: setting,
// hosts that fell back) and hands the decision to every web process before letting the navigation
// go on; here the request of the page's main resource gets the https URL before it is sent.
// Redirects are never rewritten: an https page that redirects to http ends on that http page.

#include "platform/gtk/web_extension/https_decision.h"

#include <algorithm>
#include <deque>
#include <string>
#include <utility>
#include <webkit/webkit-web-process-extension.h>

namespace {

using corvane::platform::gtk::kHttpsDecisionMessage;
using corvane::platform::gtk::kHttpsDecisionsType;

// Recent decisions, newest last; a later decision for the same URL replaces an earlier one.
// Subframe navigations are decided too and never used, so the list is bounded.
class Decisions {
public:
    void add(std::string http_url, std::string send_url) {
        take(http_url);
        entries_.emplace_back(std::move(http_url), std::move(send_url));
        if (entries_.size() > kMaxEntries) {
            entries_.pop_front();
        }
    }

    // The URL to send for http_url, used once; empty when there is none.
    std::string take(const std::string& http_url) {
        auto found = std::ranges::find(entries_, http_url, &Entry::first);
        if (found == entries_.end()) {
            return {};
        }
        std::string send = std::move(found->second);
        entries_.erase(found);
        return send;
    }

private:
    using Entry = std::pair<std::string, std::string>;
    static constexpr std::size_t kMaxEntries = 64;
    std::deque<Entry> entries_;
};

Decisions& decisions() {
    static Decisions instance;
    return instance;
}

void add_decision(GVariant* pair) {
    if (pair == nullptr || !g_variant_is_of_type(pair, G_VARIANT_TYPE("(ss)"))) {
        return;
    }
    const char* http_url = nullptr;
    const char* send_url = nullptr;
    g_variant_get(pair, "(&s&s)", &http_url, &send_url);
    decisions().add(http_url, send_url);
}

gboolean on_send_request(WebKitWebPage* page, WebKitURIRequest* request,
                         WebKitURIResponse* redirected_response, gpointer) {
    const char* uri = webkit_uri_request_get_uri(request);
    const char* page_uri = webkit_web_page_get_uri(page);
    // The page's URI is the one its main frame is loading from the start of the load on;
    // subresources and subframes ask for other URLs.
    if (redirected_response != nullptr || uri == nullptr || page_uri == nullptr ||
        g_strcmp0(uri, page_uri) != 0 || !g_str_has_prefix(uri, "http:")) {
        return FALSE;
    }
    const std::string send = decisions().take(uri);
    if (!send.empty()) {
        webkit_uri_request_set_uri(request, send.c_str());
    }
    return FALSE;
}

void on_page_created(WebKitWebProcessExtension*, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "send-request", G_CALLBACK(on_send_request), nullptr);
}

void on_message(WebKitWebProcessExtension*, WebKitUserMessage* message, gpointer) {
    if (g_strcmp0(webkit_user_message_get_name(message), kHttpsDecisionMessage) == 0) {
        add_decision(webkit_user_message_get_parameters(message));
    }
}

} // namespace

extern "C" G_MODULE_EXPORT void
webkit_web_process_extension_initialize_with_user_data(WebKitWebProcessExtension* extension,
                                                       GVariant* data) {
    if (data != nullptr && g_variant_is_of_type(data, G_VARIANT_TYPE(kHttpsDecisionsType))) {
        GVariantIter iter;
        g_variant_iter_init(&iter, data);
        while (GVariant* pair = g_variant_iter_next_value(&iter)) {
            add_decision(pair);
            g_variant_unref(pair);
        }
    }
    g_signal_connect(extension, "page-created", G_CALLBACK(on_page_created), nullptr);
    g_signal_connect(extension, "user-message-received", G_CALLBACK(on_message), nullptr);
}
