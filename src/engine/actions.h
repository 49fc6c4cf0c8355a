#pragma once

// What the core does to an existing web view. Nothing here reports an error; answers that
// matter come back later as user events.

#include "engine/user_event.h"
#include "platform/web_view.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The view's URL; none when it is empty or exactly "about:blank".
std::optional<std::string> current_url(const platform::WebView& view);

// Evaluates "window.stop()".
void stop_loading(platform::WebView& view);

// Finds the page's icon link (or https's /favicon.ico) and answers {"i": url} as JSON text.
extern const std::string_view kFaviconProbeScript;

// Runs the favicon probe and posts FaviconFound {icon, tab, view}, the icon read from its reply;
// view is the number of the view the probe runs in.
void probe_favicon(platform::WebView& view, EventLoopProxy proxy, TabId tab, ViewId number);
// Posts FindResult {window, found, view}: found exactly when the result, trimmed, is "true".
void eval_with_callback_find(platform::WebView& view, const std::string& script,
                             EventLoopProxy proxy, WindowId window, ViewId number);
// Posts DevEvalResult {result, window, id} with the raw JSON text.
void eval_with_callback_devtools(platform::WebView& view, const std::string& script,
                                 EventLoopProxy proxy, WindowId window, std::uint64_t id);

// The favicon probe's reply (the JSON text of the string it returns) read as an icon URL.
std::optional<std::string> read_favicon_reply(const std::string& result_json);

} // namespace corvane
