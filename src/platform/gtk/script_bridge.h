#pragma once

// Script evaluation with JSON results, and the message bridge of the browser's own pages.

#include "platform/web_view.h"

#include <optional>
#include <string>
#include <webkit/webkit.h>

namespace corvane::platform::gtk {

// The data key under which each WebKitWebView carries its label (a C string).
inline constexpr const char* kViewLabelKey = "corvane-label";

// window.ipc.postMessage(text) in the main frame becomes a DOM event that a script in an
// isolated world forwards, with its frame's location.href, to a message handler registered only
// in that world: page scripts and frames of other origins never see the handler.
void install_script_bridge(WebKitUserContentManager* manager);
const char* bridge_signal_name();

struct BridgeMessage {
    std::string body;
    std::string page_url;
};
std::optional<BridgeMessage> read_bridge_message(JSCValue* value);

// A script result as JSON text; "" for undefined, functions and values without a JSON form.
std::string result_to_json(JSCValue* value);

// done may be empty (fire and forget). It is not called once cancellable is cancelled.
void evaluate_in_page(WebKitWebView* view, const std::string& script, GCancellable* cancellable,
                      ScriptResult done);
void call_async_in_page(WebKitWebView* view, const std::string& body, GCancellable* cancellable,
                        ScriptResult done);

} // namespace corvane::platform::gtk
