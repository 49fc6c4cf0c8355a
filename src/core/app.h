#pragma once

// The browser's whole state: windows and their tabs, the store, the engine configuration and the
// few application-wide flags. Exactly one App exists; the event-loop handler owns it and lends
// it to one operation at a time, on the main thread.

#include "engine/engine_config.h"
#include "engine/user_event.h"
#include "pages/newtab_snapshot.h"
#include "platform/platform.h"
#include "protocol/chrome_state.h"
#include "store/store.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

using Instant = platform::Instant;
using Clock = std::function<Instant()>;

inline constexpr std::string_view kNewTabUrl = "corvane://newtab/";
inline constexpr std::string_view kChromeUrl = "corvane://ui/index.html";

// What the user asked of a tab's page.
struct PageRequest {
    enum class Kind { load, reload, stop, back, forward };
    Kind kind = Kind::load;
    // A load's URL, and the http URL to fall back to once when that https URL finds no HTTPS.
    std::string url;
    std::string http_fallback;
};

struct Tab {
    std::string url;
    std::string title;
    std::unique_ptr<platform::WebView> webview; // none while the tab sleeps
    ViewId view = 0;                            // the number of webview, whose events carry it
    std::optional<std::string> favicon;
    Instant last_active{};
    TabId id = 0;
    double zoom = 1.0;
    bool loading = false;
    // While asleep: the back/forward list of its last view, restored into the next one.
    std::string session_state;
    // When its page's process ended while shown, the latest last (see crash_guard.h).
    std::vector<Instant> crashes;
    // The user's last request to the page and when it was made, until a load starts: made again
    // in a fresh web process when the page does not answer (see hung_pages.h).
    std::optional<PageRequest> request;
    Instant request_at{};
    // The browser ended the web process itself, so its report is no crash.
    bool process_ended_on_purpose = false;

    bool awake() const { return webview != nullptr; }
    // Whether an event from the view numbered view still concerns this tab.
    bool holds(ViewId number) const { return webview != nullptr && view == number; }
    // display_host of url, worked out again only when url has changed: render asks for the host
    // of every tab each time.
    const std::string& host() const;

private:
    mutable std::string host_of_;
    mutable std::string host_;
};

struct BrowserWindow {
    // Declared before the views so that the views are dropped first and the system window
    // last: a view never outlives the window it sits in.
    std::shared_ptr<platform::Window> window;
    std::shared_ptr<platform::NetworkSession> data_store; // private windows only
    std::unique_ptr<platform::WebView> chrome;
    std::vector<Tab> tabs;
    std::unique_ptr<platform::WebView> devtools;
    std::size_t active = 0;
    double devtools_height = 320.0;
    bool is_private = false;
    bool overlay_open = false;
    bool findbar_open = false;
    bool ready_seen = false;
    // The view whose page is full screen and alone fills the window; 0 for none.
    ViewId fullscreen_view = 0;

    WindowId id() const { return window->id(); }
    bool has_active_tab() const { return active < tabs.size(); }
    Tab* active_tab() { return has_active_tab() ? &tabs[active] : nullptr; }
    const Tab* active_tab() const { return has_active_tab() ? &tabs[active] : nullptr; }
};

// A started download as the downloads panel lists it.
struct Download {
    std::string url;
    std::string path;
    std::string state; // "active", then "done" or "failed"
};

// What a system window reports to the event loop. The window's hooks only hand these on; the
// event loop handles them one at a time like every other event.
enum class WindowEventKind { resized, scale_changed, close_requested, focused, unfocused };

struct WindowEvent {
    WindowId window = 0;
    WindowEventKind kind = WindowEventKind::resized;
};

using WindowEventSink = std::function<void(const WindowEvent&)>;

// Closing a tab or a window, or quitting, at the person's request: the pages it would end are
// asked one at a time, and it is carried out once every one of them agreed.
struct CloseRequest {
    enum class Goal { tab, window, quit };
    Goal goal = Goal::tab;
    WindowId window = 0; // the window to close, or the tab's window
    TabId tab = 0;       // Goal::tab
    std::vector<TabId> agreed;
    // The page asked now, through this view of its tab; 0 before the first.
    TabId asking = 0;
    ViewId asking_view = 0;
};

// A page waiting for the person's answer whether it may be left.
struct LeaveQuestion {
    TabId tab = 0;
    ViewId view = 0;
    bool shown = false;
};

struct App {
    // Not owned: the platform is made before the App and outlives it.
    platform::Platform* platform = nullptr;
    std::optional<WindowId> focused;
    EventLoopProxy proxy;
    EngineConfig engine;
    std::vector<BrowserWindow> windows;
    Store store;
    std::vector<Download> downloads;
    std::deque<std::string> closed_tabs; // oldest first, at most kMaxClosedTabs
    std::vector<CloseRequest> close_requests;
    // The first is the one shown; the others wait their turn.
    std::deque<LeaveQuestion> leave_questions;
    SharedNewTabSnapshotPtr newtab;
    std::uint64_t next_id = 1;
    ViewId next_view = 1;
    bool downloads_unseen = false;
    bool shield_ready = false;
    // Set by closing the last window: the browser then ends as "quit" would, keeping the session
    // that the close saved.
    bool last_window_closed = false;
    // The command line asked for the developer-tools pane ("--devtools", "--devtools-selftest").
    bool wants_devtools = false;
    // Where the hooks of every window created from now on send their events; set by the event
    // loop handler. Unset (in tests), window events are dropped.
    WindowEventSink window_events;
    // The monotonic clock of tab activity and the tick; replaced in tests.
    Clock clock = [] {
        return std::chrono::steady_clock::now();
    };

    Instant now() const { return clock(); }
    std::uint64_t take_id() { return next_id++; }
    ViewId take_view_id() { return next_view++; }
};

// Builds the engine configuration on the store's folder and fills the new tab snapshot. The
// store is loaded by the caller (load_store), so tests can hand in one of their own.
App make_app(platform::Platform& platform, EventLoopProxy proxy, Store store);

struct TabLocation {
    std::size_t window = 0;
    std::size_t tab = 0;
};

// Windows in order, tabs in strip order: the first tab with the id.
std::optional<TabLocation> find_tab(const App& app, TabId id);
// The tab, only while it still holds the view an event came from.
std::optional<TabLocation> find_tab_view(const App& app, TabId id, ViewId view);
std::optional<std::size_t> find_window(const App& app, WindowId id);

} // namespace corvane
