// Navigation, new-window and response decisions of a web view, and its load events. The
// HTTPS-Only upgrade and its fallback are decided in platform/https_upgrade.h; here WebKit is
// told.

#include "platform/gtk/gtk_web_view.h"
#include "platform/startup_trace.h"

#include <libsoup/soup.h>
#include <optional>

namespace corvane::platform::gtk {

namespace {

struct UrlParts {
    std::string scheme;
    std::string host;
};

std::optional<UrlParts> split_url(const char* url) {
    g_autoptr(GUri) uri = g_uri_parse(url, G_URI_FLAGS_NONE, nullptr);
    if (uri == nullptr) {
        return std::nullopt;
    }
    return UrlParts{g_uri_get_scheme(uri) != nullptr ? g_uri_get_scheme(uri) : "",
                    g_uri_get_host(uri) != nullptr ? g_uri_get_host(uri) : ""};
}

NavigationType navigation_type(WebKitNavigationType type) {
    switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
        return NavigationType::link_clicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
        return NavigationType::form_submitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
        return NavigationType::back_forward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
        return NavigationType::reload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
        return NavigationType::form_resubmitted;
    default:
        return NavigationType::other;
    }
}

LoadPhase load_phase(WebKitLoadEvent event) {
    switch (event) {
    case WEBKIT_LOAD_STARTED:
        return LoadPhase::started;
    case WEBKIT_LOAD_REDIRECTED:
        return LoadPhase::redirected;
    case WEBKIT_LOAD_COMMITTED:
        return LoadPhase::committed;
    default:
        return LoadPhase::finished;
    }
}

bool is_attachment(WebKitURIResponse* response) {
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    if (headers == nullptr) {
        return false;
    }
    g_autofree char* disposition = nullptr;
    return soup_message_headers_get_content_disposition(headers, &disposition, nullptr) &&
           disposition != nullptr && g_ascii_strcasecmp(disposition, "attachment") == 0;
}

// The first load of the chrome page and of a tab, for the start-up timeline.
void mark_load(const std::string& label, WebKitLoadEvent event) {
    if (event == WEBKIT_LOAD_REDIRECTED) {
        return;
    }
    constexpr const char* kPhases[] = {"started", "redirected", "committed", "finished"};
    const std::string kind = label.starts_with("ui-") ? "chrome-" : "tab-";
    startup_mark(kind + kPhases[event]);
}

} // namespace

gboolean GtkWebView::handle_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision,
                                          WebKitPolicyDecisionType type, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION:
        return view->decide_navigation(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION:
        // Let it through to "create", which reports the request and opens nothing.
        webkit_policy_decision_use(decision);
        return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
        return view->decide_response(WEBKIT_RESPONSE_POLICY_DECISION(decision));
    default:
        return FALSE;
    }
}

bool GtkWebView::decide_navigation(WebKitNavigationPolicyDecision* decision) {
    if (!on_navigation) {
        return false;
    }
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(decision);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = webkit_uri_request_get_uri(request);
    NavigationAction navigation{
        uri != nullptr ? uri : "",
        navigation_type(webkit_navigation_action_get_navigation_type(action)),
        webkit_navigation_action_is_user_gesture(action) != FALSE};
    auto* policy = WEBKIT_POLICY_DECISION(decision);
    if (on_navigation(navigation) == NavigationPolicy::allow) {
        webkit_policy_decision_use(policy);
    } else {
        webkit_policy_decision_ignore(policy);
    }
    return true;
}

bool GtkWebView::decide_response(WebKitResponsePolicyDecision* decision) {
    auto* policy = WEBKIT_POLICY_DECISION(decision);
    if (https_.enabled() && webkit_response_policy_decision_is_main_frame_main_resource(decision)) {
        const char* uri =
            webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(decision));
        std::optional<UrlParts> parts = uri != nullptr ? split_url(uri) : std::nullopt;
        std::optional<std::string> target =
            parts ? https_.replace_response(parts->scheme, parts->host, uri) : std::nullopt;
        if (target) {
            webkit_policy_decision_ignore(policy);
            webkit_web_view_load_uri(view_.get(), target->c_str());
            return true;
        }
    }
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
    if (!webkit_response_policy_decision_is_mime_type_supported(decision) ||
        is_attachment(response)) {
        // WebKit would otherwise drop what it cannot show.
        webkit_policy_decision_download(policy);
        return true;
    }
    webkit_policy_decision_use(policy);
    return true;
}

GtkWidget* GtkWebView::handle_create(WebKitWebView*, WebKitNavigationAction* action,
                                     gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    if (view->on_new_window && uri != nullptr) {
        view->on_new_window(uri);
    }
    return nullptr;
}

void GtkWebView::handle_load_changed(WebKitWebView* web_view, WebKitLoadEvent event,
                                     gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    const char* raw = webkit_web_view_get_uri(web_view);
    std::string uri = raw != nullptr ? raw : "";
    // A load is under way: what WebKit reports from now on is what the view shows.
    view->requested_uri_.clear();
    if (!uri.empty()) {
        view->last_uri_ = uri;
    }
    mark_load(view->label_, event);
    const LoadPhase phase = load_phase(event);
    if (view->https_.report_load(phase, uri) && view->on_load_changed) {
        view->on_load_changed(phase, uri);
    }
}

bool GtkWebView::absorb_failed_upgrade(const std::string& failing_uri) {
    const FailedLoad outcome = https_.failed(failing_uri);
    if (outcome == FailedLoad::absorb_and_fall_back && fallback_idle_ == 0) {
        fallback_idle_ = g_idle_add(handle_fallback_load, this);
    }
    return outcome != FailedLoad::report;
}

gboolean GtkWebView::handle_load_failed(WebKitWebView*, WebKitLoadEvent, const char* failing_uri,
                                        GError*, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    return view->absorb_failed_upgrade(failing_uri != nullptr ? failing_uri : "");
}

gboolean GtkWebView::handle_load_failed_tls(WebKitWebView*, const char* failing_uri,
                                            GTlsCertificate*, GTlsCertificateFlags, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    return view->absorb_failed_upgrade(failing_uri != nullptr ? failing_uri : "");
}

gboolean GtkWebView::handle_fallback_load(gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    view->fallback_idle_ = 0;
    const std::string url = view->https_.take_fallback();
    if (!url.empty()) {
        webkit_web_view_load_uri(view->view_.get(), url.c_str());
    }
    return G_SOURCE_REMOVE;
}

} // namespace corvane::platform::gtk
