#pragma once

#include "platform/gtk/gobject_ptr.h"
#include "platform/gtk/https_decisions.h"
#include "platform/https_upgrade.h"
#include "platform/page_allowance.h"
#include "platform/web_view.h"

#include <memory>
#include <string>
#include <vector>
#include <webkit/webkit.h>

namespace corvane::platform::gtk {

class GtkBrowserWindow;

// A file: URI whose target is not a file or a folder (a device, a FIFO, a socket).
bool names_local_device(const char* uri);

// A WebKitWebView inside a window's view host. Every signal of the view is connected here.
class GtkWebView final : public WebView {
public:
    GtkWebView(GtkBrowserWindow& parent, WebKitWebContext* context, const WebViewOptions& options);
    ~GtkWebView() override;

    const std::string& label() const override { return label_; }
    void load_url(const std::string& url) override;
    void expect_https_fallback(const std::string& https_url, const std::string& http_url) override;
    void go_back() override;
    void go_forward() override;
    void reload() override;
    void stop_loading() override;
    bool can_go_back() const override;
    bool can_go_forward() const override;
    std::string uri() const override;
    std::string title() const override;
    bool is_loading() const override;
    bool has_secure_connection() const override;
    bool certificate_refused() const override;
    void evaluate_script(const std::string& script) override;
    void evaluate_script(const std::string& script, ScriptResult done) override;
    void evaluate_async_function(const std::string& body, ScriptResult done) override;
    void set_zoom(double factor) override;
    double zoom() const override;
    void print() override;
    void focus() override;
    bool has_focus() const override;
    void execute_editing_command(const std::string& command) override;
    void set_bounds(const Rect& bounds) override;
    Rect bounds() const override;
    void set_hidden(bool hidden) override;
    bool is_hidden() const override;
    void place_below(WebView& other) override;
    void bring_to_front() override;
    void set_click_through(bool through) override;
    void add_content_filter(const std::shared_ptr<ContentFilter>& filter) override;
    void remove_all_content_filters() override;
    void terminate_web_process() override;
    bool is_responsive() const override;
    void try_close() override;
    void answer_leave_question(bool leave) override;
    void show_error_page(const std::string& html, const std::string& url) override;
    std::string session_state() const override;
    void set_extra_user_script(const std::string& script) override;

    WebKitWebView* web_view() const { return view_.get(); }
    // The wrapper of a WebKit view, or null for a view this program did not wrap (or no view).
    static GtkWebView* of(WebKitWebView* view);
    // Whether a download of uri the view started may go on; a refusal is reported to on_refused.
    bool admit_download(const char* uri);
    // A file: URL of something other than a file or a folder is reported and refused.
    bool refuse_local_device(const char* uri);

private:
    void connect_signals();
    // Runs a call that asks WebKit for a load, noting the URL it then reports.
    template <typename Call>
    void request_load(Call call);
    void install_scripts(const WebViewOptions& options);
    // Loads the options' URL, after restoring their back/forward list when they carry one.
    void load_first_page(const WebViewOptions& options);

    // Policy and load handling (gtk_web_view_policy.cpp).
    static gboolean handle_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision,
                                         WebKitPolicyDecisionType type, gpointer self);
    static GtkWidget* handle_create(WebKitWebView*, WebKitNavigationAction* action, gpointer self);
    static void handle_load_changed(WebKitWebView*, WebKitLoadEvent event, gpointer self);
    static gboolean handle_load_failed(WebKitWebView*, WebKitLoadEvent, const char* failing_uri,
                                       GError* error, gpointer self);
    static gboolean handle_load_failed_tls(WebKitWebView*, const char* failing_uri,
                                           GTlsCertificate*, GTlsCertificateFlags, gpointer self);
    static gboolean handle_fallback_load(gpointer self);
    static gboolean handle_no_answer(gpointer attempt);
    bool open_elsewhere(WebKitNavigationAction* action);
    bool decide_navigation(WebKitNavigationPolicyDecision* decision);
    void decide_https(WebKitNavigationAction* action);
    bool decide_response(WebKitResponsePolicyDecision* decision);
    bool absorb_failed_upgrade(const std::string& failing_uri, LoadFailure why);
    void wait_for_answer(const std::string& https_url);

    // Other signals (gtk_web_view.cpp).
    static void handle_notify_title(GObject*, GParamSpec*, gpointer self);
    static gboolean deliver_empty_title(gpointer self);
    static void handle_notify_uri(GObject*, GParamSpec*, gpointer self);
    static void handle_notify_responsive(GObject*, GParamSpec*, gpointer self);
    static void handle_terminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                  gpointer self);
    static gboolean handle_context_menu(WebKitWebView*, WebKitContextMenu* menu,
                                        WebKitHitTestResult* hit, gpointer self);
    static void handle_script_message(WebKitUserContentManager*, JSCValue* value, gpointer self);
    static void handle_back_forward_changed(WebKitBackForwardList*, WebKitBackForwardListItem*,
                                            GList*, gpointer self);
    static void handle_close(WebKitWebView*, gpointer self);
    static gboolean handle_script_dialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer self);
    static gboolean handle_enter_fullscreen(WebKitWebView*, gpointer self);
    static gboolean handle_leave_fullscreen(WebKitWebView*, gpointer self);
    static gboolean handle_input(GtkEventControllerLegacy*, GdkEvent* event, gpointer self);
    static gboolean report_refused_download(gpointer self);
    static gboolean handle_print(WebKitWebView*, WebKitPrintOperation*, gpointer self);

    struct UserScriptUnref {
        void operator()(WebKitUserScript* script) const { webkit_user_script_unref(script); }
    };
    struct ScriptDialogUnref {
        void operator()(WebKitScriptDialog* dialog) const { webkit_script_dialog_unref(dialog); }
    };

    std::string label_;
    GObjectPtr<WebKitUserContentManager> content_manager_;
    GObjectPtr<WebKitWebView> view_;
    // The view host of the parent window; cleared by GObject when the window goes first.
    GtkWidget* host_ = nullptr;
    std::shared_ptr<NetworkSession> session_;
    Cancellable cancellable_;
    std::string last_uri_;
    // WebKit reports the URL of a load it was asked for at once, before the page agreed to be
    // left, and keeps reporting it when the page refuses ("Stay on Page"). That URL, until a load
    // starts.
    std::string requested_uri_;
    // The address whose certificate was refused, while its error page is shown; the error page's
    // own load is the next to start.
    std::string refused_certificate_uri_;
    // The address of the load that started last, as WebKit reported it.
    std::string started_uri_;
    bool error_page_next_ = false;
    bool requesting_ = false;
    std::unique_ptr<WebKitUserScript, UserScriptUnref> extra_script_;
    std::string extra_script_text_;
    // What the page may still do before the person presses something in it again.
    PageAllowance allowance_;
    // The timeout that reports the page's first refused download, after the download it was
    // allowed has shown its own toast.
    guint refusal_report_ = 0;
    // The browser loaded an address for the person (typed, a bookmark) and no page came of it yet.
    bool browser_load_pending_ = false;
    // What that load turned out to be: a download the person asked for, whatever the page did.
    std::string asked_download_;
    // A title that became empty waits one turn of the loop: a crashing web process clears the
    // title just before or just after the termination is reported, and that title is not the
    // page's.
    guint empty_title_idle_ = 0;
    // The web process ended and no load has committed since: an emptied title is not the page's.
    bool process_ended_ = false;

    HttpsUpgrader https_;
    // Where the decisions go to the web processes; null outside the content context.
    HttpsDecisions* https_decisions_ = nullptr;
    // The idle that loads the http URL after a failed https attempt.
    guint fallback_idle_ = 0;
    // The timeouts of https attempts still waiting for an answer.
    std::vector<guint> answer_timeouts_;

    // The page's question whether it may be left, held until answer_leave_question; the page
    // waits for it.
    std::unique_ptr<WebKitScriptDialog, ScriptDialogUnref> leave_question_;
    // What a question would be about: try_close asked and the page has not answered, or a
    // navigation was let through and has not started. Neither: the page closes itself.
    bool close_asked_ = false;
    bool navigation_allowed_ = false;

    std::vector<SignalConnection> connections_;
};

} // namespace corvane::platform::gtk
