#pragma once

// A web view inside a window: verbs for the core to call and on_<event> hooks for the engine to
// fill. Every hook runs on the main thread and must return at once.

#include "platform/content_filter.h"
#include "platform/geometry.h"
#include "platform/network.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {

enum class LoadPhase { started, redirected, committed, finished };

enum class NavigationType {
    link_clicked,
    form_submitted,
    back_forward,
    reload,
    form_resubmitted,
    other
};

struct NavigationAction {
    std::string url;
    NavigationType type = NavigationType::other;
    bool user_gesture = false;
};

// Where a link opens other than in its own tab.
enum class OpenIn { foreground_tab, background_tab, window };

// A click on a link with the middle button or Control opens it in a background tab (with Shift
// too: in the foreground), with Shift alone in a new window, as desktop browsers do; none for a
// plain click.
std::optional<OpenIn> link_click_target(unsigned button, bool control, bool shift);

enum class NavigationPolicy { allow, deny };

enum class TerminationReason { crashed, exceeded_memory_limit, by_api };

// What a view refused a page.
enum class Refusal {
    // A download beyond one per press, or beyond the one a page may start after it loads.
    download_unasked,
    // A file: URL of a device, a FIFO or a socket: the engine would read it without end.
    not_a_file,
};

// What a page that asks whether it may be left is about to do: be closed (try_close), follow a
// navigation that was let through, or close itself by script (window.close()), unasked.
enum class LeaveFor { close, navigation, script_close };

// Turns an http URL into the https URL to try first, or none to load it as it is.
using HttpsUpgrade = std::function<std::optional<std::string>(const std::string& url)>;

struct WebViewOptions {
    std::string label;
    WebContextKind context = WebContextKind::content;
    // The website data store; required.
    std::shared_ptr<NetworkSession> session;
    // Loaded once the view is built; empty loads nothing.
    std::string url;
    Rect bounds;
    // The page's own background shows through where it paints nothing.
    bool transparent = false;
    // window.ipc.postMessage(text) in the main frame reaches on_script_message with the page's
    // URL. Other frames and other script worlds cannot reach it.
    bool script_bridge = false;
    // Empty keeps the engine's own.
    std::string user_agent;
    // Injected at document start into the main frame only; empty for none.
    std::string user_script;
    // The first value of set_extra_user_script; empty for none.
    std::string extra_user_script;
    bool back_forward_gestures = false;
    // Timers and rendering stop while the view is hidden.
    bool suspend_when_hidden = false;
    bool developer_extras = false;
    bool javascript_can_open_windows = false;
    // Set: a page's http navigations go out as the https URL it gives; when that finds no HTTPS
    // the view remembers the host and loads the http URL once.
    HttpsUpgrade https_upgrade;
    // Content filters attached from the start.
    std::vector<std::shared_ptr<ContentFilter>> content_filters;
    // A back/forward list from session_state() of an earlier view, restored before url is
    // loaded: the view goes back to its current entry when that is url, else loads url after it.
    std::string session_state;
};

// Receives a script's completion value as JSON text, or "" for undefined, a function, a
// Promise, a value that has no JSON form, or a thrown error. Never called once the view is gone.
using ScriptResult = std::function<void(std::string json)>;

class WebView {
public:
    virtual ~WebView() = default; // removes the view from its window and ends its web process

    virtual const std::string& label() const = 0;

    // The person asked for url: when it turns out to be a download, the page's allowance of
    // downloads does not apply to it.
    virtual void load_url(const std::string& url) = 0;
    // The https URL being loaded was chosen by the browser for http_url: when it finds no HTTPS
    // before any answer, the view loads http_url once, as HTTPS-Only's fallback does.
    virtual void expect_https_fallback(const std::string& https_url,
                                       const std::string& http_url) = 0;
    virtual void go_back() = 0;
    virtual void go_forward() = 0;
    virtual void reload() = 0;
    virtual void stop_loading() = 0;
    virtual bool can_go_back() const = 0;
    virtual bool can_go_forward() const = 0;
    // The URL of the page shown or of the load under way; "" when there is none. A load asked
    // for that has not started (a page may refuse to be left) does not count. After the web
    // process ended, the last one.
    virtual std::string uri() const = 0;
    virtual std::string title() const = 0;
    virtual bool is_loading() const = 0;
    // The page shown came over a TLS connection the engine accepted; false for a plain page, an
    // error page (a refused certificate, a failed load) and before anything was shown.
    virtual bool has_secure_connection() const = 0;
    // The page shown is the error page of a load whose certificate the engine refused.
    virtual bool certificate_refused() const = 0;

    // Runs the script in the main frame's page world.
    virtual void evaluate_script(const std::string& script) = 0;
    virtual void evaluate_script(const std::string& script, ScriptResult done) = 0;
    // Runs body as the body of an async function and waits for it; the result as above.
    virtual void evaluate_async_function(const std::string& body, ScriptResult done) = 0;

    // 1.0 is 100 %.
    virtual void set_zoom(double factor) = 0;
    virtual double zoom() const = 0;
    // Prints through the system's print dialog with all four margins zero.
    virtual void print() = 0;
    virtual void focus() = 0;
    virtual bool has_focus() const = 0;
    // Runs an editing command ("Copy", "Paste", "Undo", "SelectAll", ...) on the page.
    virtual void execute_editing_command(const std::string& command) = 0;

    // Placement inside the parent window, in logical points from its top-left corner.
    virtual void set_bounds(const Rect& bounds) = 0;
    virtual Rect bounds() const = 0;
    virtual void set_hidden(bool hidden) = 0;
    virtual bool is_hidden() const = 0;
    // Moves this view directly below other; nothing when they do not share a window.
    virtual void place_below(WebView& other) = 0;
    // Makes this view the topmost of its window.
    virtual void bring_to_front() = 0;
    // Clicks pass through the view to whatever lies below it.
    virtual void set_click_through(bool through) = 0;

    // Applies to loads started afterwards.
    virtual void add_content_filter(const std::shared_ptr<ContentFilter>& filter) = 0;
    virtual void remove_all_content_filters() = 0;

    // Ends the view's web process (on_web_process_terminated reports by_api, before this returns).
    virtual void terminate_web_process() = 0;
    // False once the engine has waited in vain for the view's web process (a page stuck in a
    // script); true again once it answers or after it ended.
    virtual bool is_responsive() const = 0;

    // Asks the page whether it may be closed. on_close runs when it may: soon, without a
    // beforeunload handler; with one, the page asks its question (on_leave_question) and
    // on_close runs once that is answered "leave".
    virtual void try_close() = 0;
    // Answers the question the page asks (on_leave_question); nothing when it asks none.
    virtual void answer_leave_question(bool leave) = 0;
    // Shows html in place of the page at url, keeping url as the view's address: reload() then
    // loads url itself.
    virtual void show_error_page(const std::string& html, const std::string& url) = 0;
    // The back/forward list as opaque bytes for WebViewOptions::session_state; "" for none.
    virtual std::string session_state() const = 0;
    // Injected at document start into the main frame of every document loaded from now on,
    // besides the options' user script; "" removes it.
    virtual void set_extra_user_script(const std::string& script) = 0;

    // Hooks.
    std::function<void(LoadPhase, const std::string& url)> on_load_changed;
    std::function<void(const std::string& title)> on_title_changed;
    // Main-frame and subframe navigations alike (the engine cannot tell them apart). Unset:
    // allow.
    std::function<NavigationPolicy(const NavigationAction&)> on_navigation;
    // A page's window.print() shows the print dialog once per user input (and once before the
    // first); its further calls before the next input return at once.
    // A page asked for a new window (a blank target, window.open). No window is ever opened.
    // One request per user input (a press of a key, a button or a touch) reaches the hook; the
    // page's further requests before the next input are refused.
    std::function<void(const std::string& url)> on_new_window;
    // The view refused what the page asked for: a file: URL that is not a file or a folder, each
    // time; downloads the person did not ask for (see PageAllowance), once per page. Nothing of
    // the refused download or file was read or written.
    std::function<void(Refusal)> on_refused;
    // The user opened a link elsewhere: a modified click, or the link's context menu.
    std::function<void(const std::string& url, OpenIn where)> on_open_link;
    std::function<void(TerminationReason)> on_web_process_terminated;
    // The web process stopped answering: the engine waited a few seconds for it in vain.
    std::function<void()> on_unresponsive;
    // A message from window.ipc.postMessage with the URL of the page that sent it.
    std::function<void(const std::string& body, const std::string& page_url)> on_script_message;
    // The page agreed to be closed (try_close), or closes itself by script.
    std::function<void()> on_close;
    // The page asks whether it may be left (its beforeunload handler) and waits for
    // answer_leave_question. The view shows nothing itself.
    std::function<void(LeaveFor)> on_leave_question;
    // The address or the back/forward list changed. Same-document navigations (a fragment,
    // pushState) report only this.
    std::function<void()> on_location_changed;
    // The page's element or document went full screen (true) or left it (false).
    std::function<void(bool)> on_fullscreen_changed;
};

} // namespace corvane::platform
