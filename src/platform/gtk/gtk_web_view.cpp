#include "platform/gtk/gtk_web_view.h"

#include "platform/gtk/gl_rendering.h"
#include "platform/gtk/gtk_network.h"
#include "platform/gtk/gtk_window.h"
#include "platform/gtk/keyboard_focus.h"
#include "platform/gtk/press_tooltips.h"
#include "platform/gtk/script_bridge.h"
#include "platform/gtk/view_host.h"

namespace corvane::platform::gtk {

namespace {

WebKitSettings* make_settings(const WebViewOptions& options) {
    WebKitSettings* settings = webkit_settings_new();
    webkit_settings_set_javascript_can_open_windows_automatically(
        settings, options.javascript_can_open_windows);
    webkit_settings_set_enable_developer_extras(settings, options.developer_extras);
    webkit_settings_set_enable_back_forward_navigation_gestures(settings,
                                                                options.back_forward_gestures);
    if (!options.user_agent.empty()) {
        webkit_settings_set_user_agent(settings, options.user_agent.c_str());
    }
    choose_web_rendering(settings, options.transparent);
    return settings;
}

// The GtkWebView that wraps a WebKitWebView, set while the wrapper lives.
constexpr const char* kWrapperKey = "corvane-web-view";

WebKitNetworkSession* session_of(const WebViewOptions& options) {
    auto* session = dynamic_cast<GtkNetworkSession*>(options.session.get());
    return session != nullptr ? session->session() : nullptr;
}

} // namespace

GtkWebView::GtkWebView(GtkBrowserWindow& parent, WebKitWebContext* context,
                       const WebViewOptions& options)
    : label_(options.label), content_manager_(GObjectPtr<WebKitUserContentManager>::adopt(
                                 webkit_user_content_manager_new())),
      session_(options.session), https_(options.https_upgrade),
      https_decisions_(HttpsDecisions::of(context)) {
    GObjectPtr<WebKitSettings> settings = GObjectPtr<WebKitSettings>::adopt(make_settings(options));
    // Media may play without a user action, sound or not; WebKit's own default lets only muted
    // media start by itself.
    auto policies = GObjectPtr<WebKitWebsitePolicies>::adopt(
        webkit_website_policies_new_with_policies("autoplay", WEBKIT_AUTOPLAY_ALLOW, nullptr));
    view_ = GObjectPtr<WebKitWebView>::retain(WEBKIT_WEB_VIEW(
        g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, "network-session",
                     session_of(options), "user-content-manager", content_manager_.get(),
                     "settings", settings.get(), "website-policies", policies.get(), nullptr)));
    g_object_set_data_full(G_OBJECT(view_.get()), kViewLabelKey, g_strdup(label_.c_str()), g_free);
    g_object_set_data(G_OBJECT(view_.get()), kWrapperKey, this);
    if (options.transparent) {
        GdkRGBA clear{0.0F, 0.0F, 0.0F, 0.0F};
        webkit_web_view_set_background_color(view_.get(), &clear);
    }
    install_scripts(options);
    for (const auto& filter : options.content_filters) {
        add_content_filter(filter);
    }
    connect_signals();
    hide_tooltips_after_press(GTK_WIDGET(view_.get()));
    host_ = parent.host();
    g_object_add_weak_pointer(G_OBJECT(host_), reinterpret_cast<gpointer*>(&host_));
    view_host_add(host_, GTK_WIDGET(view_.get()), options.bounds);
    load_first_page(options);
}

GtkWebView::~GtkWebView() {
    answer_leave_question(false);
    if (fallback_idle_ != 0) {
        g_source_remove(fallback_idle_);
    }
    for (guint timeout : answer_timeouts_) {
        g_source_remove(timeout);
    }
    if (empty_title_idle_ != 0) {
        g_source_remove(empty_title_idle_);
    }
    if (refusal_report_ != 0) {
        g_source_remove(refusal_report_);
    }
    connections_.clear();
    // Downloads and WebKit may keep the WebKit view for a while.
    g_object_set_data(G_OBJECT(view_.get()), kWrapperKey, nullptr);
    // WebKit would keep the process of a closed page, and the page's memory, a while longer for
    // its site to reuse.
    webkit_web_view_terminate_web_process(view_.get());
    if (host_ != nullptr) {
        g_object_remove_weak_pointer(G_OBJECT(host_), reinterpret_cast<gpointer*>(&host_));
        pass_keyboard_on(view_.get());
        view_host_remove(host_, GTK_WIDGET(view_.get()));
    }
}

GtkWebView* GtkWebView::of(WebKitWebView* view) {
    return view != nullptr
               ? static_cast<GtkWebView*>(g_object_get_data(G_OBJECT(view), kWrapperKey))
               : nullptr;
}

void GtkWebView::install_scripts(const WebViewOptions& options) {
    if (!options.user_script.empty()) {
        g_autoptr(WebKitUserScript) script = webkit_user_script_new(
            options.user_script.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
            WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
        webkit_user_content_manager_add_script(content_manager_.get(), script);
    }
    set_extra_user_script(options.extra_user_script);
    if (options.script_bridge) {
        install_script_bridge(content_manager_.get());
        connections_.emplace_back(content_manager_.get(), bridge_signal_name(),
                                  as_callback(handle_script_message), this);
    }
}

void GtkWebView::load_first_page(const WebViewOptions& options) {
    if (!options.session_state.empty()) {
        g_autoptr(GBytes) bytes =
            g_bytes_new(options.session_state.data(), options.session_state.size());
        if (WebKitWebViewSessionState* state = webkit_web_view_session_state_new(bytes)) {
            webkit_web_view_restore_session_state(view_.get(), state);
            webkit_web_view_session_state_unref(state);
        }
        WebKitBackForwardListItem* current = webkit_back_forward_list_get_current_item(
            webkit_web_view_get_back_forward_list(view_.get()));
        if (current != nullptr && options.url == webkit_back_forward_list_item_get_uri(current)) {
            webkit_web_view_go_to_back_forward_list_item(view_.get(), current);
            return;
        }
    }
    if (!options.url.empty()) {
        load_url(options.url);
    }
}

void GtkWebView::connect_signals() {
    WebKitWebView* view = view_.get();
    connections_.emplace_back(view, "decide-policy", as_callback(handle_decide_policy), this);
    connections_.emplace_back(view, "create", as_callback(handle_create), this);
    connections_.emplace_back(view, "load-changed", as_callback(handle_load_changed), this);
    connections_.emplace_back(view, "load-failed", as_callback(handle_load_failed), this);
    connections_.emplace_back(view, "load-failed-with-tls-errors",
                              as_callback(handle_load_failed_tls), this);
    connections_.emplace_back(view, "notify::title", as_callback(handle_notify_title), this);
    connections_.emplace_back(view, "notify::uri", as_callback(handle_notify_uri), this);
    connections_.emplace_back(view, "notify::is-web-process-responsive",
                              as_callback(handle_notify_responsive), this);
    connections_.emplace_back(view, "web-process-terminated", as_callback(handle_terminated), this);
    connections_.emplace_back(view, "context-menu", as_callback(handle_context_menu), this);
    connections_.emplace_back(webkit_web_view_get_back_forward_list(view), "changed",
                              as_callback(handle_back_forward_changed), this);
    connections_.emplace_back(view, "close", as_callback(handle_close), this);
    connections_.emplace_back(view, "script-dialog", as_callback(handle_script_dialog), this);
    connections_.emplace_back(view, "enter-fullscreen", as_callback(handle_enter_fullscreen), this);
    connections_.emplace_back(view, "leave-fullscreen", as_callback(handle_leave_fullscreen), this);
    connections_.emplace_back(view, "print", as_callback(handle_print), this);
    // Capture phase: the view's own handlers may claim the event.
    GtkEventController* input = gtk_event_controller_legacy_new();
    gtk_event_controller_set_propagation_phase(input, GTK_PHASE_CAPTURE);
    connections_.emplace_back(input, "event", as_callback(handle_input), this);
    gtk_widget_add_controller(GTK_WIDGET(view), input);
}

template <typename Call>
void GtkWebView::request_load(Call call) {
    requesting_ = true;
    call();
    requesting_ = false;
}

void GtkWebView::load_url(const std::string& url) {
    browser_load_pending_ = true;
    request_load([&] { webkit_web_view_load_uri(view_.get(), url.c_str()); });
}

void GtkWebView::go_back() {
    request_load([&] { webkit_web_view_go_back(view_.get()); });
}

void GtkWebView::go_forward() {
    request_load([&] { webkit_web_view_go_forward(view_.get()); });
}

void GtkWebView::reload() {
    webkit_web_view_reload(view_.get());
}

void GtkWebView::stop_loading() {
    webkit_web_view_stop_loading(view_.get());
}

bool GtkWebView::can_go_back() const {
    return webkit_web_view_can_go_back(view_.get());
}

bool GtkWebView::can_go_forward() const {
    return webkit_web_view_can_go_forward(view_.get());
}

std::string GtkWebView::uri() const {
    const char* uri = webkit_web_view_get_uri(view_.get());
    // After the web process ended the view reports no URL, and a requested load that has not
    // started is not shown; in both cases the last URL still holds.
    if (uri == nullptr || *uri == '\0' || requested_uri_ == uri) {
        return last_uri_;
    }
    return uri;
}

std::string GtkWebView::title() const {
    const char* title = webkit_web_view_get_title(view_.get());
    return title != nullptr ? title : "";
}

bool GtkWebView::is_loading() const {
    return webkit_web_view_is_loading(view_.get());
}

bool GtkWebView::has_secure_connection() const {
    // An error page shown for a refused certificate or a failed load has no certificate.
    GTlsCertificate* certificate = nullptr;
    GTlsCertificateFlags errors{};
    return webkit_web_view_get_tls_info(view_.get(), &certificate, &errors) &&
           certificate != nullptr;
}

bool GtkWebView::certificate_refused() const {
    return !refused_certificate_uri_.empty();
}

void GtkWebView::evaluate_script(const std::string& script) {
    evaluate_in_page(view_.get(), script, nullptr, nullptr);
}

void GtkWebView::evaluate_script(const std::string& script, ScriptResult done) {
    evaluate_in_page(view_.get(), script, cancellable_.get(), std::move(done));
}

void GtkWebView::evaluate_async_function(const std::string& body, ScriptResult done) {
    call_async_in_page(view_.get(), body, cancellable_.get(), std::move(done));
}

void GtkWebView::set_zoom(double factor) {
    webkit_web_view_set_zoom_level(view_.get(), factor);
}

double GtkWebView::zoom() const {
    return webkit_web_view_get_zoom_level(view_.get());
}

void GtkWebView::print() {
    auto operation =
        GObjectPtr<WebKitPrintOperation>::adopt(webkit_print_operation_new(view_.get()));
    auto setup = GObjectPtr<GtkPageSetup>::adopt(gtk_page_setup_new());
    gtk_page_setup_set_top_margin(setup.get(), 0.0, GTK_UNIT_POINTS);
    gtk_page_setup_set_bottom_margin(setup.get(), 0.0, GTK_UNIT_POINTS);
    gtk_page_setup_set_left_margin(setup.get(), 0.0, GTK_UNIT_POINTS);
    gtk_page_setup_set_right_margin(setup.get(), 0.0, GTK_UNIT_POINTS);
    webkit_print_operation_set_page_setup(operation.get(), setup.get());
    GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(view_.get()));
    webkit_print_operation_run_dialog(operation.get(),
                                      root != nullptr ? GTK_WINDOW(root) : nullptr);
}

void GtkWebView::focus() {
    gtk_widget_grab_focus(GTK_WIDGET(view_.get()));
}

bool GtkWebView::has_focus() const {
    return gtk_widget_has_focus(GTK_WIDGET(view_.get()));
}

void GtkWebView::execute_editing_command(const std::string& command) {
    webkit_web_view_execute_editing_command(view_.get(), command.c_str());
}

void GtkWebView::set_bounds(const Rect& bounds) {
    if (host_ != nullptr) {
        view_host_set_bounds(host_, GTK_WIDGET(view_.get()), bounds);
    }
}

Rect GtkWebView::bounds() const {
    return host_ != nullptr ? view_host_bounds(host_, GTK_WIDGET(view_.get())) : Rect{};
}

void GtkWebView::set_hidden(bool hidden) {
    gtk_widget_set_visible(GTK_WIDGET(view_.get()), !hidden);
}

bool GtkWebView::is_hidden() const {
    return !gtk_widget_get_visible(GTK_WIDGET(view_.get()));
}

void GtkWebView::place_below(WebView& other) {
    auto* sibling = dynamic_cast<GtkWebView*>(&other);
    GtkWidget* widget = GTK_WIDGET(view_.get());
    if (sibling == nullptr || sibling == this || host_ == nullptr) {
        return;
    }
    GtkWidget* other_widget = GTK_WIDGET(sibling->view_.get());
    if (gtk_widget_get_parent(other_widget) != host_ || gtk_widget_get_parent(widget) != host_) {
        return;
    }
    gtk_widget_insert_before(widget, host_, other_widget);
}

void GtkWebView::bring_to_front() {
    GtkWidget* widget = GTK_WIDGET(view_.get());
    if (host_ != nullptr && gtk_widget_get_parent(widget) == host_) {
        gtk_widget_insert_before(widget, host_, nullptr);
    }
}

void GtkWebView::set_click_through(bool through) {
    gtk_widget_set_can_target(GTK_WIDGET(view_.get()), !through);
}

void GtkWebView::add_content_filter(const std::shared_ptr<ContentFilter>& filter) {
    if (auto* gtk_filter = dynamic_cast<GtkContentFilter*>(filter.get())) {
        webkit_user_content_manager_add_filter(content_manager_.get(), gtk_filter->filter());
    }
}

void GtkWebView::remove_all_content_filters() {
    webkit_user_content_manager_remove_all_filters(content_manager_.get());
}

void GtkWebView::terminate_web_process() {
    webkit_web_view_terminate_web_process(view_.get());
}

bool GtkWebView::is_responsive() const {
    return webkit_web_view_get_is_web_process_responsive(view_.get()) != FALSE;
}

void GtkWebView::try_close() {
    // A page whose process does not answer would keep its tab open for good.
    if (!is_responsive()) {
        if (on_close) {
            on_close();
        }
        return;
    }
    close_asked_ = true;
    webkit_web_view_try_close(view_.get());
}

void GtkWebView::answer_leave_question(bool leave) {
    if (!leave_question_) {
        return;
    }
    close_asked_ = close_asked_ && leave;
    navigation_allowed_ = navigation_allowed_ && leave;
    webkit_script_dialog_confirm_set_confirmed(leave_question_.get(), leave);
    webkit_script_dialog_close(leave_question_.get());
    leave_question_.reset();
}

void GtkWebView::show_error_page(const std::string& html, const std::string& url) {
    // Not as WebKit's alternate HTML: a web process started for such a page holds its frames back
    // until the page has enough text or images on screen, so a short one stays undrawn until the
    // view is hidden and shown again. An ordinary document is drawn once it has loaded.
    webkit_web_view_load_html(view_.get(), html.c_str(), url.c_str());
}

std::string GtkWebView::session_state() const {
    WebKitWebViewSessionState* state = webkit_web_view_get_session_state(view_.get());
    if (state == nullptr) {
        return {};
    }
    g_autoptr(GBytes) bytes = webkit_web_view_session_state_serialize(state);
    webkit_web_view_session_state_unref(state);
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    return data != nullptr ? std::string(data, size) : std::string();
}

void GtkWebView::set_extra_user_script(const std::string& script) {
    if (script == extra_script_text_) {
        return;
    }
    if (extra_script_) {
        webkit_user_content_manager_remove_script(content_manager_.get(), extra_script_.get());
        extra_script_.reset();
    }
    extra_script_text_ = script;
    if (!script.empty()) {
        extra_script_.reset(
            webkit_user_script_new(script.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr));
        webkit_user_content_manager_add_script(content_manager_.get(), extra_script_.get());
    }
}

void GtkWebView::handle_notify_title(GObject*, GParamSpec*, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    std::string title = view->title();
    if (title.empty()) {
        if (view->empty_title_idle_ == 0 && !view->process_ended_) {
            view->empty_title_idle_ = g_idle_add(deliver_empty_title, view);
        }
        return;
    }
    if (view->empty_title_idle_ != 0) {
        g_source_remove(view->empty_title_idle_);
        view->empty_title_idle_ = 0;
    }
    if (view->on_title_changed) {
        view->on_title_changed(title);
    }
}

gboolean GtkWebView::deliver_empty_title(gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    view->empty_title_idle_ = 0;
    if (view->on_title_changed && view->title().empty()) {
        view->on_title_changed("");
    }
    return G_SOURCE_REMOVE;
}

void GtkWebView::handle_notify_uri(GObject*, GParamSpec*, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    const char* uri = webkit_web_view_get_uri(view->view_.get());
    if (uri == nullptr || *uri == '\0') {
        return;
    }
    if (view->requesting_) {
        view->requested_uri_ = uri;
    } else {
        view->last_uri_ = uri;
        // A load reports its own address; only a move within the page comes without one.
        if (view->on_location_changed && !view->is_loading()) {
            view->on_location_changed();
        }
    }
}

void GtkWebView::handle_notify_responsive(GObject*, GParamSpec*, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    if (!view->is_responsive() && view->on_unresponsive) {
        view->on_unresponsive();
    }
}

void GtkWebView::handle_terminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                   gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    view->process_ended_ = true;
    if (view->empty_title_idle_ != 0) {
        g_source_remove(view->empty_title_idle_);
        view->empty_title_idle_ = 0;
    }
    if (!view->on_web_process_terminated) {
        return;
    }
    switch (reason) {
    case WEBKIT_WEB_PROCESS_CRASHED:
        view->on_web_process_terminated(TerminationReason::crashed);
        break;
    case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
        view->on_web_process_terminated(TerminationReason::exceeded_memory_limit);
        break;
    default:
        view->on_web_process_terminated(TerminationReason::by_api);
        break;
    }
}

namespace {

struct LinkEntry {
    const char* action; // unique: the menu's action group holds one action per name
    const char* title;
    OpenIn where;
};

// WebKit's own "Open Link in New Window" asks for a new window, which becomes a tab; these say
// what they do. The tab the user asked for from the menu comes to the front.
constexpr LinkEntry kLinkEntries[] = {
    {"open-link-in-new-tab", "Open Link in New Tab", OpenIn::foreground_tab},
    {"open-link-in-new-window", "Open Link in New Window", OpenIn::window}};

void on_link_entry(GSimpleAction* action, GVariant* url, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    const auto index = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(action), "corvane-entry"));
    if (view->on_open_link && url != nullptr && index < std::size(kLinkEntries)) {
        view->on_open_link(g_variant_get_string(url, nullptr), kLinkEntries[index].where);
    }
}

} // namespace

gboolean GtkWebView::handle_context_menu(WebKitWebView*, WebKitContextMenu* menu,
                                         WebKitHitTestResult* hit, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    const char* link = webkit_hit_test_result_get_link_uri(hit);
    if (!view->on_open_link || link == nullptr) {
        return FALSE;
    }
    GList* items = webkit_context_menu_get_items(menu);
    for (GList* it = items; it != nullptr; it = it->next) {
        auto* item = WEBKIT_CONTEXT_MENU_ITEM(it->data);
        if (webkit_context_menu_item_get_stock_action(item) !=
            WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW) {
            continue;
        }
        const auto position = static_cast<gint>(g_list_position(items, it));
        webkit_context_menu_remove(menu, item);
        for (guint index = 0; index < std::size(kLinkEntries); ++index) {
            g_autoptr(GSimpleAction) action =
                g_simple_action_new(kLinkEntries[index].action, G_VARIANT_TYPE_STRING);
            g_object_set_data(G_OBJECT(action), "corvane-entry", GUINT_TO_POINTER(index));
            g_signal_connect(action, "activate", as_callback(on_link_entry), view);
            webkit_context_menu_insert(
                menu,
                webkit_context_menu_item_new_from_gaction(
                    G_ACTION(action), kLinkEntries[index].title, g_variant_new_string(link)),
                position + static_cast<gint>(index));
        }
        break;
    }
    return FALSE;
}

void GtkWebView::handle_script_message(WebKitUserContentManager*, JSCValue* value, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    std::optional<BridgeMessage> message = read_bridge_message(value);
    if (message && view->on_script_message) {
        view->on_script_message(message->body, message->page_url);
    }
}

void GtkWebView::handle_back_forward_changed(WebKitBackForwardList*, WebKitBackForwardListItem*,
                                             GList*, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    // The list moved, so a requested navigation took place; one within the page (Back to a
    // fragment) starts no load that would say so.
    view->requested_uri_.clear();
    if (view->on_location_changed) {
        view->on_location_changed();
    }
}

void GtkWebView::handle_close(WebKitWebView*, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    view->close_asked_ = false;
    if (view->on_close) {
        view->on_close();
    }
}

gboolean GtkWebView::handle_script_dialog(WebKitWebView*, WebKitScriptDialog* dialog,
                                          gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    if (webkit_script_dialog_get_dialog_type(dialog) !=
            WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM ||
        !view->on_leave_question) {
        return FALSE; // WebKit shows its own dialog
    }
    // The browser asks in its own words: the page's message is never shown. A page asks once at
    // a time, so a question still held is an old one.
    view->answer_leave_question(false);
    view->leave_question_.reset(webkit_script_dialog_ref(dialog));
    view->on_leave_question(view->close_asked_          ? LeaveFor::close
                            : view->navigation_allowed_ ? LeaveFor::navigation
                                                        : LeaveFor::script_close);
    return TRUE;
}

gboolean GtkWebView::handle_enter_fullscreen(WebKitWebView*, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    if (view->on_fullscreen_changed) {
        view->on_fullscreen_changed(true);
    }
    return FALSE; // WebKit makes the window full screen
}

gboolean GtkWebView::handle_leave_fullscreen(WebKitWebView*, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    if (view->on_fullscreen_changed) {
        view->on_fullscreen_changed(false);
    }
    return FALSE;
}

gboolean GtkWebView::handle_input(GtkEventControllerLegacy*, GdkEvent* event, gpointer self) {
    switch (gdk_event_get_event_type(event)) {
    case GDK_BUTTON_PRESS:
    case GDK_KEY_PRESS:
    case GDK_TOUCH_BEGIN:
        static_cast<GtkWebView*>(self)->allowance_.user_input();
        break;
    default:
        break;
    }
    return FALSE;
}

// A page's window.print(): one dialog per press, not one for each call a click's handler makes.
gboolean GtkWebView::handle_print(WebKitWebView*, WebKitPrintOperation*, gpointer self) {
    auto* view = static_cast<GtkWebView*>(self);
    return view->allowance_.take(PageAct::print) ? FALSE : TRUE;
}

} // namespace corvane::platform::gtk
