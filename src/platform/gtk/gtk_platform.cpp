#include "platform/gtk/gtk_platform.h"

#include "platform/gtk/gtk_application.h"
#include "platform/gtk/gtk_menu.h"
#include "platform/gtk/gtk_network.h"
#include "platform/gtk/gtk_system.h"
#include "platform/gtk/gtk_web_view.h"
#include "platform/gtk/gtk_window.h"
#include "platform/gtk/https_decisions.h"
#include "platform/gtk/script_bridge.h"

#include <libsoup/soup.h>
#include <map>
#include <string>
#include <utility>
#include <variant>

namespace corvane::platform::gtk {

namespace {

// Set on the stores of private windows (and of the browser's own pages), which the new tab page
// must not show the user's sites to.
constexpr const char* kPrivateSessionKey = "corvane-private";

struct SchemeRoute {
    SchemeHandler handler;
};

SchemeRequest read_request(WebKitURISchemeRequest* request) {
    SchemeRequest result;
    const char* uri = webkit_uri_scheme_request_get_uri(request);
    result.uri = uri != nullptr ? uri : "";
    const char* method = webkit_uri_scheme_request_get_http_method(request);
    result.method = method != nullptr ? method : "GET";
    if (WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request)) {
        const char* label =
            static_cast<const char*>(g_object_get_data(G_OBJECT(view), kViewLabelKey));
        result.view_label = label != nullptr ? label : "";
        WebKitNetworkSession* session = webkit_web_view_get_network_session(view);
        result.normal_session = session != nullptr &&
                                g_object_get_data(G_OBJECT(session), kPrivateSessionKey) == nullptr;
    }
    return result;
}

// Static bytes are wrapped as they are; owned text moves into the GBytes, which frees it.
GBytes* body_bytes(std::variant<std::string_view, std::string> body) {
    if (const auto* fixed = std::get_if<std::string_view>(&body)) {
        return g_bytes_new_static(fixed->data(), fixed->size());
    }
    auto* owned = new std::string(std::move(std::get<std::string>(body)));
    return g_bytes_new_with_free_func(
        owned->data(), owned->size(), [](gpointer text) { delete static_cast<std::string*>(text); },
        owned);
}

void answer(WebKitURISchemeRequest* request, SchemeResponse response) {
    g_autoptr(GBytes) bytes = body_bytes(std::move(response.body));
    g_autoptr(GInputStream) stream = g_memory_input_stream_new_from_bytes(bytes);
    g_autoptr(WebKitURISchemeResponse) reply =
        webkit_uri_scheme_response_new(stream, static_cast<gint64>(g_bytes_get_size(bytes)));
    webkit_uri_scheme_response_set_status(reply, static_cast<guint>(response.status), nullptr);
    if (!response.content_type.empty()) {
        webkit_uri_scheme_response_set_content_type(reply, response.content_type.c_str());
    }
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    for (const auto& [name, value] : response.headers) {
        soup_message_headers_append(headers, name.c_str(), value.c_str());
    }
    webkit_uri_scheme_response_set_http_headers(reply, headers);
    webkit_uri_scheme_request_finish_with_response(request, reply);
}

void on_scheme_request(WebKitURISchemeRequest* request, gpointer data) {
    auto* route = static_cast<SchemeRoute*>(data);
    answer(request, route->handler(read_request(request)));
}

void delete_route(gpointer data) {
    delete static_cast<SchemeRoute*>(data);
}

// Each web process measures its own memory (a walk of its whole smaps) every poll interval to
// see whether it should free caches: with WebKit's 30 s, the measuring was most of what an idle
// browser with a few awake tabs spent. Pressure from the rest of the system still arrives at
// once; only the process's own growth is noticed later.
constexpr double kMemoryPollSeconds = 120.0;

GObjectPtr<WebKitWebContext> new_web_context() {
    WebKitMemoryPressureSettings* pressure = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_poll_interval(pressure, kMemoryPollSeconds);
    auto context = GObjectPtr<WebKitWebContext>::adopt(WEBKIT_WEB_CONTEXT(
        g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "memory-pressure-settings", pressure, nullptr)));
    webkit_memory_pressure_settings_free(pressure);
    return context;
}

class GtkPlatform final : public Platform {
public:
    explicit GtkPlatform(const GtkPlatformOptions& options)
        : app_(options.application_id, options.single_instance) {}

    Application& application() override { return app_; }
    System& system() override { return system_; }
    GtkApp& app() { return app_; }

    std::shared_ptr<Window> create_window(const WindowOptions& options) override {
        auto window =
            std::make_shared<GtkBrowserWindow>(app_.gtk_application(), next_window_++, options);
        window->present();
        return window;
    }

    std::unique_ptr<WebView> create_web_view(Window& parent,
                                             const WebViewOptions& options) override {
        auto* window = dynamic_cast<GtkBrowserWindow*>(&parent);
        if (window == nullptr || window->host() == nullptr || options.session == nullptr) {
            return nullptr;
        }
        return std::make_unique<GtkWebView>(*window, context(options.context), options);
    }

    void register_scheme(WebContextKind kind, const std::string& scheme,
                         SchemeHandler handler) override {
        WebKitWebContext* web_context = context(kind);
        // Otherwise any http page could show and fetch the scheme's resources.
        webkit_security_manager_register_uri_scheme_as_display_isolated(
            webkit_web_context_get_security_manager(web_context), scheme.c_str());
        webkit_web_context_register_uri_scheme(web_context, scheme.c_str(), on_scheme_request,
                                               new SchemeRoute{std::move(handler)}, delete_route);
    }

    std::shared_ptr<NetworkSession>
    create_persistent_session(const std::filesystem::path& data_folder,
                              const std::filesystem::path& cache_folder) override {
        return std::make_shared<GtkNetworkSession>(
            webkit_network_session_new(data_folder.c_str(), cache_folder.c_str()));
    }

    std::shared_ptr<NetworkSession> create_ephemeral_session() override {
        WebKitNetworkSession* session = webkit_network_session_new_ephemeral();
        g_object_set_data(G_OBJECT(session), kPrivateSessionKey, GINT_TO_POINTER(1));
        return std::make_shared<GtkNetworkSession>(session);
    }

    std::shared_ptr<NetworkSession> create_memory_session() override {
        return std::make_shared<GtkNetworkSession>(webkit_network_session_new_ephemeral());
    }

    std::shared_ptr<ContentFilterStore>
    open_content_filter_store(const std::filesystem::path& folder) override {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            return nullptr;
        }
        return std::make_shared<GtkContentFilterStore>(folder);
    }

    void install_menu_bar(const MenuBar& bar,
                          std::function<void(const std::string& id)> on_activate) override {
        install_gtk_menu_bar(app_.gtk_application(), bar, std::move(on_activate));
    }

private:
    WebKitWebContext* context(WebContextKind kind) {
        GObjectPtr<WebKitWebContext>& slot = contexts_[kind];
        if (!slot) {
            // No cache model for the chrome page's context: WebKit keeps one for the whole
            // library, so a smaller one there would also take every tab's back-forward and
            // memory caches away.
            slot = new_web_context();
            if (kind == WebContextKind::content) {
                HttpsDecisions::attach(slot.get());
            }
        }
        return slot.get();
    }

    GtkApp app_;
    GtkSystem system_;
    std::map<WebContextKind, GObjectPtr<WebKitWebContext>> contexts_;
    WindowId next_window_ = 1;
};

gboolean wake_for_check(gpointer) {
    return G_SOURCE_CONTINUE;
}

} // namespace

std::unique_ptr<Platform> make_gtk_platform(const GtkPlatformOptions& options) {
    // The thread that makes the platform owns the default main context from now on, which is
    // how WebKit callers tell that they run on the main thread.
    g_main_context_acquire(g_main_context_default());
    return std::make_unique<GtkPlatform>(options);
}

void start_without_running(Platform& platform) {
    if (auto* gtk_platform = dynamic_cast<GtkPlatform*>(&platform)) {
        gtk_platform->app().start();
    }
}

bool run_main_loop_until(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    guint tick = g_timeout_add(20, wake_for_check, nullptr);
    bool result = done();
    while (!result && std::chrono::steady_clock::now() < deadline) {
        g_main_context_iteration(nullptr, TRUE);
        result = done();
    }
    g_source_remove(tick);
    return result;
}

} // namespace corvane::platform::gtk
