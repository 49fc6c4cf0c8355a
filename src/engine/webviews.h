#pragma once

// The two web view builders: the browser's own pages (chrome, developer tools) and content tabs.
// Every callback only posts a user event through the configuration's proxy and answers at once.

#include "engine/engine_config.h"
#include "engine/user_event.h"
#include "platform/platform.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace corvane {

// Injected at document start into the main frame of content tabs: Global Privacy Control and
// the typed-input flag read by the sleep guard.
extern const std::string_view kContentTabUserScript;

inline constexpr std::string_view kDevtoolsUrl = "corvane://ui/devtools.html";

// Which built-in page a UI view was made for. Only the developer-tools view may ask to evaluate
// script in the window's tab, resize or close the pane.
enum class UiPage { chrome, devtools };

struct TabParams {
    std::string url;
    TabId id = 0;
    bool is_private = false;
    bool https_only = true;
    bool block_trackers = true;
    // Carried by every event the view posts.
    ViewId view = 0;
    // The back/forward list of the tab's previous view; empty for none.
    std::string session_state;
    // Injected into every document besides the tab's own script; empty for none.
    std::string extra_script;
};

// A chrome or developer-tools view labelled "ui-{label_number}", on the ephemeral UI store,
// serving corvane://ui/ and taking messages from its page. Null when the view cannot be built.
std::unique_ptr<platform::WebView>
create_ui_webview(EngineConfig& config, const std::shared_ptr<platform::Window>& window,
                  std::uint64_t label_number, const std::string& url, const platform::Rect& bounds,
                  bool transparent);

// A content tab's view labelled "tab-{id}", placed below the window's chrome view. data_store is
// the private window's store, null for normal windows. Null when the view cannot be built.
std::unique_ptr<platform::WebView>
create_tab_webview(EngineConfig& config, platform::Window& window,
                   const std::shared_ptr<platform::NetworkSession>& data_store,
                   platform::WebView& chrome, const TabParams& params,
                   const platform::Rect& bounds);

// The callbacks, also used on their own by tests. hand_over_key: the key of the run's new tab
// pages (see SharedNewTabSnapshot).
platform::NavigationPolicy on_navigation(const EventLoopProxy& proxy, TabId tab, ViewId view,
                                         const std::string& url, std::string_view hand_over_key);
void on_new_window(const EventLoopProxy& proxy, TabId tab, ViewId view, const std::string& url);
void on_page_load(const EventLoopProxy& proxy, TabId tab, ViewId view, platform::LoadPhase phase,
                  const std::string& url);

// The chrome page's message intake: accepts messages from corvane://ui/ pages only, moves or
// maximises the window itself for "drag" and "zoomWindow", posts every other message. The
// developer-tools messages are heard only from the developer-tools view.
void ipc_handler(const EventLoopProxy& proxy, const std::weak_ptr<platform::Window>& window,
                 WindowId window_id, const std::string& body, const std::string& page_url,
                 UiPage sender = UiPage::chrome);

} // namespace corvane
