// Navigation, new-window and response decisions of a web view, and its load events. The
// HTTPS-Only upgrade and its fallback are decided in platform/https_upgrade.h; here WebKit and the
// web process extension (web_extension/) are told.

#include "platform/gtk/gtk_web_view.h"
#include "platform/local_file.h"
#include "platform/startup_trace.h"

#include <algorithm>
#include <libsoup/soup.h>
#include <optional>
#include <utility>

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
        if (view->open_elsewhere(webkit_navigation_policy_decision_get_navigation_action(
                WEBKIT_NAVIGATION_POLICY_DECISION(decision)))) {
            webkit_policy_decision_ignore(decision);
            return TRUE;
        }
        // Let it through to "create", which reports the request and opens nothing.
        webkit_policy_decision_use(decision);
        return TRUE;
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE:
        return view->decide_response(WEBKIT_RESPONSE_POLICY_DECISION(decision));
    default:
        return FALSE;
    }
}

// A link clicked with the middle button or a modifier goes to a new tab or window instead; the
// page still saw the click.
bool GtkWebView::open_elsewhere(WebKitNavigationAction* action) {
    if (!on_open_link || webkit_navigation_action_get_navigation_type(action) !=
                             WEBKIT_NAVIGATION_TYPE_LINK_CLICKED) {
        return false;
    }
    const guint modifiers = webkit_navigation_action_get_modifiers(action);
    const std::optional<OpenIn> where =
        link_click_target(webkit_navigation_action_get_mouse_button(action),
                          (modifiers & GDK_CONTROL_MASK) != 0, (modifiers & GDK_SHIFT_MASK) != 0);
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    if (!where || uri == nullptr) {
        return false;
    }
    on_open_link(uri, *where);
    return true;
}

bool names_local_device(const char* uri) {
    g_autofree char* path = uri != nullptr ? g_filename_from_uri(uri, nullptr, nullptr) : nullptr;
    return path != nullptr && !may_load_local(path);
}

bool GtkWebView::refuse_local_device(const char* uri) {
    if (!names_local_device(uri)) {
        return false;
    }
    if (on_refused) {
        on_refused(Refusal::not_a_file);
    }
    return true;
}

namespace {

// A page refuses its extra downloads before the one it was allowed has started; told at once, the
// refusal would be hidden at once by that download's own notices.
constexpr guint kRefusalReportDelayMs = 600;

} // namespace

bool GtkWebView::admit_download(const char* uri) {
    if (!asked_download_.empty() && uri != nullptr && asked_download_ == uri) {
        asked_download_.clear();
        return true;
    }
    if (allowance_.take(PageAct::download)) {
        return true;
    }
    if (allowance_.first_refusal_on_page() && refusal_report_ == 0) {
        refusal_report_ = g_timeout_add(kRefusalReportDelayMs, report_refused_download, this);
    }
    return false;
}

gboolean GtkWebView::report_refused_download(gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    view->refusal_report_ = 0;
    if (view->on_refused) {
        view->on_refused(Refusal::download_unasked);
    }
    return G_SOURCE_REMOVE;
}

bool GtkWebView::decide_navigation(WebKitNavigationPolicyDecision* decision) {
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(decision);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = webkit_uri_request_get_uri(request);
    // Refused before the engine opens it: nothing of it is read.
    if (open_elsewhere(action) || refuse_local_device(uri)) {
        webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
        return true;
    }
    if (!on_navigation) {
        return false;
    }
    NavigationAction navigation{
        uri != nullptr ? uri : "",
        navigation_type(webkit_navigation_action_get_navigation_type(action)),
        webkit_navigation_action_is_user_gesture(action) != FALSE};
    auto* policy = WEBKIT_POLICY_DECISION(decision);
    if (on_navigation(navigation) == NavigationPolicy::allow) {
        decide_https(action);
        navigation_allowed_ = true;
        webkit_policy_decision_use(policy);
    } else {
        webkit_policy_decision_ignore(policy);
    }
    return true;
}

void GtkWebView::decide_https(WebKitNavigationAction* action) {
    if (https_decisions_ == nullptr) {
        return;
    }
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = webkit_uri_request_get_uri(request);
    std::optional<UrlParts> parts = uri != nullptr ? split_url(uri) : std::nullopt;
    if (!parts) {
        return;
    }
    const char* method = webkit_uri_request_get_http_method(request);
    std::optional<HttpsDecision> decision = https_.navigation(
        {uri, parts->scheme, parts->host, webkit_navigation_action_is_redirect(action) != FALSE,
         method != nullptr && g_ascii_strcasecmp(method, "POST") == 0});
    if (!decision) {
        return;
    }
    // Sent for every http navigation, upgraded or not, so that no older decision for the same URL
    // is taken for this one.
    https_decisions_->send(decision->http_url, decision->send_url);
    if (!decision->send_url.empty()) {
        wait_for_answer(decision->send_url);
    }
}

namespace {

// An https attempt that has had no answer for this long is taken for a site without HTTPS.
constexpr guint kNoAnswerSeconds = 5;

struct AnswerWait {
    GtkWebView* view;
    std::string https_url;
};

} // namespace

void GtkWebView::wait_for_answer(const std::string& https_url) {
    answer_timeouts_.push_back(g_timeout_add_seconds_full(
        G_PRIORITY_DEFAULT, kNoAnswerSeconds, handle_no_answer, new AnswerWait{this, https_url},
        [](gpointer data) { delete static_cast<AnswerWait*>(data); }));
}

gboolean GtkWebView::handle_no_answer(gpointer data) {
    auto* wait = static_cast<AnswerWait*>(data);
    GtkWebView* view = wait->view;
    std::erase(view->answer_timeouts_, g_source_get_id(g_main_current_source()));
    // Only the main frame's own attempt: a subframe's navigation was decided alike.
    const char* current = webkit_web_view_get_uri(view->view_.get());
    if (webkit_web_view_is_loading(view->view_.get()) && current != nullptr &&
        wait->https_url == current && view->https_.timed_out(wait->https_url)) {
        const std::string url = view->https_.take_fallback();
        webkit_web_view_load_uri(view->view_.get(), url.c_str());
    }
    return G_SOURCE_REMOVE;
}

void GtkWebView::expect_https_fallback(const std::string& https_url, const std::string& http_url) {
    std::optional<UrlParts> parts = split_url(http_url.c_str());
    if (parts) {
        https_.expect(https_url, http_url, parts->host);
        wait_for_answer(https_url);
    }
}

bool GtkWebView::decide_response(WebKitResponsePolicyDecision* decision) {
    auto* policy = WEBKIT_POLICY_DECISION(decision);
    if (webkit_response_policy_decision_is_main_frame_main_resource(decision)) {
        const char* uri =
            webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(decision));
        https_.answered(uri != nullptr ? uri : "");
    }
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
    if (!webkit_response_policy_decision_is_mime_type_supported(decision) ||
        is_attachment(response)) {
        // WebKit would otherwise drop what it cannot show.
        if (browser_load_pending_ &&
            webkit_response_policy_decision_is_main_frame_main_resource(decision)) {
            const char* uri =
                webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(decision));
            asked_download_ = uri != nullptr ? uri : "";
            browser_load_pending_ = false;
        }
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
    // One user action, one new window: a click whose handler asks twenty times gets one.
    if (!view->allowance_.take(PageAct::open_window)) {
        return nullptr;
    }
    if (view->on_new_window && uri != nullptr) {
        view->on_new_window(uri);
    }
    return nullptr;
}

namespace {

// The Fetch standard's "bad ports", which WebKit refuses to connect to.
constexpr int kBadPorts[] = {1,    7,    9,    11,   13,   15,   17,   19,   20,   21,   22,   23,
                             25,   37,   42,   43,   53,   69,   77,   79,   87,   95,   101,  102,
                             103,  104,  109,  110,  111,  113,  115,  117,  119,  123,  135,  137,
                             139,  143,  161,  179,  389,  427,  465,  512,  513,  514,  515,  526,
                             530,  531,  532,  540,  548,  554,  556,  563,  587,  601,  636,  989,
                             990,  993,  995,  1719, 1720, 1723, 2049, 3659, 4045, 4190, 5060, 5061,
                             6000, 6566, 6665, 6666, 6667, 6668, 6669, 6679, 6697, 10080};

// WebKit shows an empty page in place of an http address on a port it refuses, and reports no
// failure. (A page that goes to about:blank itself may start its load under its own address.)
bool refused_port(const std::string& started, const std::string& committed) {
    if (committed != "about:blank") {
        return false;
    }
    g_autoptr(GUri) uri = g_uri_parse(started.c_str(), G_URI_FLAGS_NONE, nullptr);
    const char* scheme = uri != nullptr ? g_uri_get_scheme(uri) : nullptr;
    return scheme != nullptr && (g_str_equal(scheme, "http") || g_str_equal(scheme, "https")) &&
           std::ranges::find(kBadPorts, g_uri_get_port(uri)) != std::end(kBadPorts);
}

// The engine's own words for the refusal, in the page it shows for any failed load.
constexpr const char* kRefusedPortPage =
    "<html><body>Not allowed to use restricted network port</body></html>";

} // namespace

void GtkWebView::handle_load_changed(WebKitWebView* web_view, WebKitLoadEvent event,
                                     gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    const char* raw = webkit_web_view_get_uri(web_view);
    std::string uri = raw != nullptr ? raw : "";
    // A load is under way: what WebKit reports from now on is what the view shows.
    view->requested_uri_.clear();
    view->navigation_allowed_ = false;
    if (!uri.empty()) {
        view->last_uri_ = uri;
    }
    mark_load(view->label_, event);
    if (event == WEBKIT_LOAD_STARTED) {
        if (!std::exchange(view->error_page_next_, false)) {
            view->refused_certificate_uri_.clear();
        }
        view->started_uri_ = uri;
    }
    if (event == WEBKIT_LOAD_COMMITTED && refused_port(view->started_uri_, uri)) {
        webkit_web_view_load_alternate_html(web_view, kRefusedPortPage, view->started_uri_.c_str(),
                                            nullptr);
    }
    if (event == WEBKIT_LOAD_COMMITTED) {
        view->process_ended_ = false;
        view->allowance_.page_committed();
        view->browser_load_pending_ = false;
    }
    const LoadPhase phase = load_phase(event);
    if (view->https_.report_load(phase, uri) && view->on_load_changed) {
        view->on_load_changed(phase, uri);
    }
}

bool GtkWebView::absorb_failed_upgrade(const std::string& failing_uri, LoadFailure why) {
    const FailedLoad outcome = https_.failed(failing_uri, why);
    if (outcome == FailedLoad::absorb_and_fall_back && fallback_idle_ == 0) {
        fallback_idle_ = g_idle_add(handle_fallback_load, this);
    }
    return outcome != FailedLoad::report;
}

namespace {

// Failures that say the site has no HTTPS (through a proxy, a tunnel closed without an answer
// reads as a connection cut short); a name that does not resolve or a network that is down says
// nothing about HTTPS.
LoadFailure failure_kind(const GError* error) {
    if (error == nullptr) {
        return LoadFailure::other;
    }
    if (error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_CANCELLED) {
        return LoadFailure::cancelled;
    }
    if (error->domain == WEBKIT_POLICY_ERROR &&
        error->code == WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) {
        return LoadFailure::cancelled;
    }
    if (error->domain == G_TLS_ERROR) {
        return LoadFailure::no_https;
    }
    constexpr GIOErrorEnum kNoHttps[] = {
        G_IO_ERROR_CONNECTION_REFUSED, G_IO_ERROR_CONNECTION_CLOSED, G_IO_ERROR_PARTIAL_INPUT,
        G_IO_ERROR_BROKEN_PIPE,        G_IO_ERROR_NOT_CONNECTED,     G_IO_ERROR_TIMED_OUT,
        G_IO_ERROR_HOST_UNREACHABLE};
    if (error->domain == G_IO_ERROR &&
        std::ranges::find(kNoHttps, static_cast<GIOErrorEnum>(error->code)) != std::end(kNoHttps)) {
        return LoadFailure::no_https;
    }
    return LoadFailure::other;
}

} // namespace

gboolean GtkWebView::handle_load_failed(WebKitWebView*, WebKitLoadEvent, const char* failing_uri,
                                        GError* error, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    return view->absorb_failed_upgrade(failing_uri != nullptr ? failing_uri : "",
                                       failure_kind(error));
}

gboolean GtkWebView::handle_load_failed_tls(WebKitWebView*, const char* failing_uri,
                                            GTlsCertificate*, GTlsCertificateFlags, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    const std::string uri = failing_uri != nullptr ? failing_uri : "";
    if (view->absorb_failed_upgrade(uri, LoadFailure::no_https)) {
        return TRUE; // an HTTPS-Only attempt: its http address loads instead, or nothing
    }
    view->refused_certificate_uri_ = uri;
    view->error_page_next_ = true;
    return FALSE;
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
