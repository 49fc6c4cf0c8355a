#include "platform/gtk/script_bridge.h"

#include "platform/gtk/gobject_ptr.h"

#include <memory>

namespace corvane::platform::gtk {

namespace {

constexpr const char* kBridgeWorld = "corvane-bridge";
constexpr const char* kHandlerName = "ipc";

// Main world: the page's side. The event carries only a string.
constexpr const char* kPageSide =
    "(()=>{const d=document;const post=m=>{d.dispatchEvent(new CustomEvent('corvane-ipc',"
    "{detail:String(m)}))};Object.defineProperty(window,'ipc',{value:Object.freeze({postMessage:"
    "post}),configurable:false,enumerable:false,writable:false})})()";

// Isolated world: adds the URL of the document that posted, read at the moment it posted.
constexpr const char* kBridgeSide =
    "document.addEventListener('corvane-ipc',e=>{if(typeof e.detail==='string')"
    "window.webkit.messageHandlers.ipc.postMessage({url:location.href,body:e.detail})},true)";

void add_script(WebKitUserContentManager* manager, const char* source, const char* world) {
    g_autoptr(WebKitUserScript) script =
        world == nullptr
            ? webkit_user_script_new(source, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                     WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr)
            : webkit_user_script_new_for_world(source, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, world,
                                               nullptr, nullptr);
    webkit_user_content_manager_add_script(manager, script);
}

std::optional<std::string> string_property(JSCValue* object, const char* name) {
    auto value = GObjectPtr<JSCValue>::adopt(jsc_value_object_get_property(object, name));
    if (!value || !jsc_value_is_string(value.get())) {
        return std::nullopt;
    }
    g_autofree char* text = jsc_value_to_string(value.get());
    return std::string(text != nullptr ? text : "");
}

struct PendingScript {
    ScriptResult done;
};

using Finish = JSCValue* (*)(WebKitWebView*, GAsyncResult*, GError**);

void complete(GObject* source, GAsyncResult* result, gpointer data, Finish finish) {
    std::unique_ptr<PendingScript> pending(static_cast<PendingScript*>(data));
    g_autoptr(GError) error = nullptr;
    auto value = GObjectPtr<JSCValue>::adopt(finish(WEBKIT_WEB_VIEW(source), result, &error));
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED) || !pending->done) {
        return;
    }
    pending->done(value ? result_to_json(value.get()) : std::string());
}

void on_evaluated(GObject* source, GAsyncResult* result, gpointer data) {
    complete(source, result, data, webkit_web_view_evaluate_javascript_finish);
}

void on_called(GObject* source, GAsyncResult* result, gpointer data) {
    complete(source, result, data, webkit_web_view_call_async_javascript_function_finish);
}

} // namespace

void install_script_bridge(WebKitUserContentManager* manager) {
    add_script(manager, kPageSide, nullptr);
    add_script(manager, kBridgeSide, kBridgeWorld);
    webkit_user_content_manager_register_script_message_handler(manager, kHandlerName,
                                                                kBridgeWorld);
}

const char* bridge_signal_name() {
    return "script-message-received::ipc";
}

std::optional<BridgeMessage> read_bridge_message(JSCValue* value) {
    if (value == nullptr || !jsc_value_is_object(value)) {
        return std::nullopt;
    }
    std::optional<std::string> url = string_property(value, "url");
    std::optional<std::string> body = string_property(value, "body");
    if (!url || !body) {
        return std::nullopt;
    }
    return BridgeMessage{std::move(*body), std::move(*url)};
}

std::string result_to_json(JSCValue* value) {
    if (jsc_value_is_undefined(value) || jsc_value_is_function(value)) {
        return {};
    }
    JSCContext* context = jsc_value_get_context(value);
    g_autofree char* json = jsc_value_to_json(value, 0);
    // A value that cannot be serialised (a cycle, a BigInt) leaves an exception behind.
    if (jsc_context_get_exception(context) != nullptr) {
        jsc_context_clear_exception(context);
        return {};
    }
    return std::string(json != nullptr ? json : "");
}

void evaluate_in_page(WebKitWebView* view, const std::string& script, GCancellable* cancellable,
                      ScriptResult done) {
    if (!done) {
        webkit_web_view_evaluate_javascript(view, script.data(), static_cast<gssize>(script.size()),
                                            nullptr, nullptr, nullptr, nullptr, nullptr);
        return;
    }
    webkit_web_view_evaluate_javascript(view, script.data(), static_cast<gssize>(script.size()),
                                        nullptr, nullptr, cancellable, on_evaluated,
                                        new PendingScript{std::move(done)});
}

void call_async_in_page(WebKitWebView* view, const std::string& body, GCancellable* cancellable,
                        ScriptResult done) {
    webkit_web_view_call_async_javascript_function(
        view, body.data(), static_cast<gssize>(body.size()), nullptr, nullptr, nullptr, cancellable,
        on_called, new PendingScript{std::move(done)});
}

} // namespace corvane::platform::gtk
