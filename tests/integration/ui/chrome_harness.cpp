#include "chrome_harness.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string_view>
#include <unistd.h>

namespace corvane::test {
namespace {

using nlohmann::json;

// The policy the browser sends with every chrome page file.
constexpr const char* kUiPolicy =
    "default-src 'none'; script-src corvane://ui; style-src corvane://ui; img-src corvane://ui "
    "https: data:; connect-src 'none'; frame-src 'none'; object-src 'none'; base-uri 'none'; "
    "form-action 'none'";

struct Route {
    std::string_view path;
    std::string_view file;
    std::string_view type;
};

constexpr const char* kChromeUri = "corvane://ui/index.html";

constexpr Route kRoutes[] = {
    {"/", "index.html", "text/html; charset=utf-8"},
    {"/index.html", "index.html", "text/html; charset=utf-8"},
    {"/app.js", "app.js", "text/javascript; charset=utf-8"},
    {"/app.css", "app.css", "text/css; charset=utf-8"},
    {"/logo.svg", "logo.svg", "image/svg+xml"},
};

// Stand-in for the browser's bridge, plus the probes the tests read: policy violations and
// uncaught errors of the page.
constexpr const char* kBridgeScript = R"JS(
window.ipc = { postMessage: (text) => window.webkit.messageHandlers.ipc.postMessage(text) };
window.__csp = [];
window.__errors = [];
document.addEventListener('securitypolicyviolation',
    (e) => window.__csp.push(e.violatedDirective + ' ' + e.blockedURI));
window.addEventListener('error', (e) => window.__errors.push(String(e.message)));
)JS";

// Helpers the tests use to drive the page with DOM events.
constexpr const char* kDriverScript = R"JS(
window.T = {
    el(target) { return typeof target === 'string' ? document.querySelector(target) : target; },
    center(target) {
        const r = T.el(target).getBoundingClientRect();
        return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
    },
    key(target, key, mods) {
        const ev = new KeyboardEvent('keydown',
            Object.assign({ key, bubbles: true, cancelable: true }, mods || {}));
        T.el(target).dispatchEvent(ev);
        return ev.defaultPrevented;
    },
    type(target, value, inputType) {
        const e = T.el(target);
        e.value = value;
        e.dispatchEvent(new InputEvent('input', { inputType: inputType || 'insertText', bubbles: true }));
    },
    mouse(target, type, opts) {
        const c = T.center(target);
        const ev = new MouseEvent(type, Object.assign({ bubbles: true, cancelable: true,
            clientX: c.x, clientY: c.y, button: 0, detail: 1 }, opts || {}));
        T.el(target).dispatchEvent(ev);
        return ev.defaultPrevented;
    },
    click(target, opts) {
        T.mouse(target, 'mousedown', opts);
        T.mouse(target, 'mouseup', opts);
        return T.mouse(target, 'click', opts);
    },
    pointer(target, type, x, opts) {
        const c = T.center(target);
        const ev = new PointerEvent(type, Object.assign({ bubbles: true, cancelable: true,
            clientX: x === undefined ? c.x : x, clientY: c.y, button: 0, pointerId: 1,
            isPrimary: true }, opts || {}));
        T.el(target).dispatchEvent(ev);
    },
    rect(target) {
        const r = T.el(target).getBoundingClientRect();
        return { left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width,
                 height: r.height };
    },
    texts(selector) {
        return Array.from(document.querySelectorAll(selector)).map((e) => e.textContent);
    },
    icons(selector) {
        return Array.from(document.querySelectorAll(selector + ' use')).map((u) => u.getAttribute('href'));
    },
    shown(id) {
        const e = document.getElementById(id);
        return !!e && !e.hidden && getComputedStyle(e).display !== 'none';
    },
};
)JS";

// The page's files as the browser embeds them: app.js and app.css are joined by the build.
std::filesystem::path ui_file(std::string_view name) {
    auto joined = std::filesystem::path(CORVANE_JOINED_PAGES_DIR) / "ui" / name;
    if (std::filesystem::exists(joined)) {
        return joined;
    }
    const char* source = std::getenv("CORVANE_SOURCE_DIR");
    return std::filesystem::path(source ? source : ".") / "ui" / name;
}

void finish_request(WebKitURISchemeRequest* request, int status, std::string body,
                    std::string_view type) {
    auto* bytes = g_bytes_new(body.data(), body.size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    g_bytes_unref(bytes);
    WebKitURISchemeResponse* response =
        webkit_uri_scheme_response_new(stream, static_cast<gint64>(body.size()));
    const std::string content_type(type);
    webkit_uri_scheme_response_set_status(response, static_cast<guint>(status), nullptr);
    webkit_uri_scheme_response_set_content_type(response, content_type.c_str());
    // WebKit's nosniff check reads the Content-Type header itself, not the response's content
    // type: without the header every script and style sheet would be refused.
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    soup_message_headers_append(headers, "Content-Type", content_type.c_str());
    soup_message_headers_append(headers, "Content-Security-Policy",
                                status == 200 ? kUiPolicy : "default-src 'none'");
    soup_message_headers_append(headers, "X-Content-Type-Options", "nosniff");
    soup_message_headers_append(headers, "Referrer-Policy", "no-referrer");
    soup_message_headers_append(headers, "Cache-Control", "no-store");
    webkit_uri_scheme_response_set_http_headers(response, headers);
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
    g_object_unref(stream);
}

void serve(WebKitURISchemeRequest* request, gpointer) {
    GUri* uri = g_uri_parse(webkit_uri_scheme_request_get_uri(request), G_URI_FLAGS_NONE, nullptr);
    const char* host = uri ? g_uri_get_host(uri) : nullptr;
    std::string path = uri ? g_uri_get_path(uri) : "";
    const bool ui_host = host && std::string_view(host) == "ui";
    if (uri) {
        g_uri_unref(uri);
    }
    if (path.empty()) {
        path = "/";
    }
    for (const Route& route : kRoutes) {
        if (!ui_host || route.path != path) {
            continue;
        }
        std::ifstream in(ui_file(route.file), std::ios::binary);
        if (!in) {
            break;
        }
        std::ostringstream text;
        text << in.rdbuf();
        finish_request(request, 200, text.str(), route.type);
        return;
    }
    finish_request(request, 404, "Not found", "text/plain");
}

struct EvalResult {
    bool done = false;
    std::string json_text;
    std::string error;
};

void on_eval(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<std::shared_ptr<EvalResult>> holder(
        static_cast<std::shared_ptr<EvalResult>*>(data));
    EvalResult& out = **holder;
    GError* error = nullptr;
    JSCValue* value =
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (error) {
        out.error = error->message;
        g_error_free(error);
    } else if (value) {
        char* text = jsc_value_is_undefined(value) ? nullptr : jsc_value_to_json(value, 0);
        out.json_text = text ? text : "null";
        g_free(text);
        g_object_unref(value);
    }
    out.done = true;
}

struct SnapshotResult {
    bool done = false;
    GdkTexture* texture = nullptr;
};

void on_snapshot(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<std::shared_ptr<SnapshotResult>> holder(
        static_cast<std::shared_ptr<SnapshotResult>*>(data));
    (*holder)->texture =
        webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, nullptr);
    (*holder)->done = true;
}

gboolean set_flag(gpointer flag) {
    *static_cast<bool*>(flag) = true;
    return G_SOURCE_REMOVE;
}

// Removes a deadline's timer when the wait ends early, also when a ViewGone leaves it.
class Deadline {
public:
    explicit Deadline(std::chrono::milliseconds timeout)
        : timer_(g_timeout_add(static_cast<guint>(timeout.count()), set_flag, &expired_)) {}
    ~Deadline() {
        if (!expired_) {
            g_source_remove(timer_);
        }
    }
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;
    bool expired() const { return expired_; }

private:
    bool expired_ = false;
    guint timer_;
};

std::string describe_end(WebKitWebProcessTerminationReason reason) {
    switch (reason) {
    case WEBKIT_WEB_PROCESS_CRASHED:
        return "crashed";
    case WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT:
        return "went over its memory limit";
    case WEBKIT_WEB_PROCESS_TERMINATED_BY_API:
        return "was ended by the harness";
    }
    return "ended";
}

} // namespace

ChromeHarness::ChromeHarness() {
    // Under Xvfb, WebKit's GPU painting runs on Mesa's software rasterizer, whose bookkeeping of
    // resources shared between GL contexts races when the painting threads and the compositor
    // thread use it at once: on a loaded machine the web process then crashes in swrast_dri.so.
    // Skia's CPU painting leaves the compositor the only GL user. The web process inherits this
    // setting; one given in the environment wins.
    g_setenv("WEBKIT_SKIA_ENABLE_CPU_RENDERING", "1", FALSE);
    gtk_init();
    context_ = webkit_web_context_new();
    webkit_web_context_register_uri_scheme(context_, "corvane", serve, nullptr, nullptr);
    content_ = webkit_user_content_manager_new();
    g_signal_connect(content_, "script-message-received::ipc", G_CALLBACK(on_message), this);
    webkit_user_content_manager_register_script_message_handler(content_, "ipc", nullptr);
    for (const char* source : {kBridgeScript, kDriverScript}) {
        WebKitUserScript* script =
            webkit_user_script_new(source, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                   WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
        webkit_user_content_manager_add_script(content_, script);
        webkit_user_script_unref(script);
    }
    view_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context_,
                                         "user-content-manager", content_, nullptr));
    g_signal_connect(view_, "web-process-terminated", G_CALLBACK(on_terminated), this);
    title_ = "corvane-chrome-page-test-" + std::to_string(getpid());
    window_ = GTK_WINDOW(gtk_window_new());
    gtk_window_set_title(window_, title_.c_str());
    gtk_window_set_default_size(window_, kWindowWidth, kWindowHeight);
    // No title bar: the view then starts at the window's origin, where xdotool points.
    gtk_window_set_decorated(window_, FALSE);
    gtk_window_set_child(window_, GTK_WIDGET(view_));
    gtk_window_present(window_);
    gtk_widget_grab_focus(GTK_WIDGET(view_));
}

ChromeHarness::~ChromeHarness() {
    g_signal_handlers_disconnect_by_data(content_, this);
    g_signal_handlers_disconnect_by_data(view_, this);
    gtk_window_destroy(window_);
    pump(std::chrono::milliseconds(20));
    g_object_unref(content_);
    g_object_unref(context_);
}

void ChromeHarness::on_message(WebKitUserContentManager*, JSCValue* value, gpointer self) {
    auto* harness = static_cast<ChromeHarness*>(self);
    if (!jsc_value_is_string(value)) {
        harness->messages_.push_back("<not a string>");
        return;
    }
    char* text = jsc_value_to_string(value);
    harness->messages_.emplace_back(text);
    g_free(text);
}

void ChromeHarness::on_terminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                  gpointer self) {
    auto* harness = static_cast<ChromeHarness*>(self);
    if (harness->ended_.empty()) {
        harness->ended_ = describe_end(reason);
    }
}

bool ChromeHarness::run_until(const std::function<bool()>& done,
                              std::chrono::milliseconds timeout) {
    const Deadline deadline(timeout);
    while (!done() && !deadline.expired()) {
        g_main_context_iteration(nullptr, TRUE);
    }
    return done();
}

void ChromeHarness::pump(std::chrono::milliseconds duration) {
    run_until([] { return false; }, duration);
}

bool ChromeHarness::load() {
    messages_.clear();
    ended_.clear();
    end_reported_ = false;
    webkit_web_view_load_uri(view_, kChromeUri);
    const bool ready = run_until(
        [this] {
            for (const auto& m : messages_) {
                if (m == R"({"t":"ready"})") {
                    return true;
                }
            }
            return false;
        },
        std::chrono::seconds(10));
    // Let the page settle (first layout, fonts) before tests measure it.
    return ready && !eval("document.readyState").is_null();
}

json ChromeHarness::eval(const std::string& script) {
    if (!ended_.empty()) {
        throw_view_gone(script);
    }
    // Each call has its own result: a late answer to a call that gave up lands there, unread.
    auto result = std::make_shared<EvalResult>();
    webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, nullptr, nullptr, nullptr,
                                        on_eval, new std::shared_ptr<EvalResult>(result));
    if (!run_until([&] { return result->done; }, std::chrono::seconds(5)) && ended_.empty()) {
        // A process that stops answering is ended, so the next load starts a fresh one. WebKit
        // reports this end before the call returns, under the description set here.
        ended_ = "stopped answering scripts for 5 s";
        webkit_web_view_terminate_web_process(view_);
    }
    // A crash fails the calls in flight ("Unsupported result type") before the view's
    // web-process-terminated handler runs, in the same dispatch: by now ended_ tells them apart.
    if (!ended_.empty()) {
        throw_view_gone(script);
    }
    if (!result->error.empty()) {
        ADD_FAILURE() << "script failed: " << result->error << "\n" << script;
        return nullptr;
    }
    return json::parse(result->json_text, nullptr, false);
}

void ChromeHarness::throw_view_gone(const std::string& script) {
    end_reported_ = true;
    throw ViewGone("the chrome page's web process " + ended_ +
                   "; the view is gone, so this test stops here (next script was: " + script + ")");
}

std::optional<std::string> ChromeHarness::take_unreported_end() {
    if (ended_.empty() || end_reported_) {
        return std::nullopt;
    }
    end_reported_ = true;
    return "the chrome page's web process " + ended_;
}

std::string ChromeHarness::uri() const {
    const char* uri = webkit_web_view_get_uri(view_);
    return uri ? uri : "";
}

void ChromeHarness::call(const std::string& function, const std::vector<json>& args) {
    std::string joined;
    for (const auto& arg : args) {
        joined += (joined.empty() ? "" : ",") + arg.dump();
    }
    eval("window.CV&&CV." + function + "(" + joined + ");undefined");
}

std::vector<std::string> ChromeHarness::sent() {
    // Messages travel on the same connection as script results, so after one round trip
    // through the page everything it posted before has arrived.
    eval("0");
    std::vector<std::string> out;
    out.swap(messages_);
    return out;
}

bool ChromeHarness::wait_for_messages(std::size_t count, std::chrono::milliseconds timeout) {
    return run_until([&] { return messages_.size() >= count; }, timeout);
}

void ChromeHarness::set_view_size(int width, int height) {
    // Margins shrink the view inside the window exactly; the window keeps its size.
    gtk_widget_set_margin_end(GTK_WIDGET(view_), kWindowWidth - width);
    gtk_widget_set_margin_bottom(GTK_WIDGET(view_), kWindowHeight - height);
    const bool resized = run_until(
        [&] {
            return eval("[innerWidth, innerHeight]") == json({width, height});
        },
        std::chrono::seconds(5));
    EXPECT_TRUE(resized) << "the view did not take the size " << width << "x" << height;
}

void ChromeHarness::reset_view_size() {
    set_view_size(kWindowWidth, kWindowHeight);
}

void ChromeHarness::set_dark(bool dark) {
    g_object_set(gtk_settings_get_default(), "gtk-application-prefer-dark-theme", dark, nullptr);
    const std::string query = "matchMedia('(prefers-color-scheme: dark)').matches";
    run_until([&] { return eval(query) == dark; }, std::chrono::seconds(5));
}

void ChromeHarness::set_transparent(bool transparent) {
    const GdkRGBA color{1, 1, 1, transparent ? 0.0f : 1.0f};
    webkit_web_view_set_background_color(view_, &color);
}

GdkTexture* ChromeHarness::take_snapshot(bool keep_transparency) {
    auto result = std::make_shared<SnapshotResult>();
    webkit_web_view_get_snapshot(view_, WEBKIT_SNAPSHOT_REGION_VISIBLE,
                                 keep_transparency
                                     ? WEBKIT_SNAPSHOT_OPTIONS_TRANSPARENT_BACKGROUND
                                     : WEBKIT_SNAPSHOT_OPTIONS_INCLUDE_SELECTION_HIGHLIGHTING,
                                 nullptr, on_snapshot, new std::shared_ptr<SnapshotResult>(result));
    if (!run_until([&] { return result->done; }, std::chrono::seconds(5))) {
        return nullptr;
    }
    return result->texture;
}

bool ChromeHarness::snapshot(const std::filesystem::path& png) {
    GdkTexture* texture = take_snapshot(false);
    if (!texture) {
        return false;
    }
    const bool saved = gdk_texture_save_to_png(texture, png.c_str());
    g_object_unref(texture);
    return saved;
}

std::vector<int> ChromeHarness::alpha_at(const std::vector<std::pair<int, int>>& points) {
    GdkTexture* texture = take_snapshot(true);
    if (!texture) {
        return {};
    }
    const int width = gdk_texture_get_width(texture);
    const int height = gdk_texture_get_height(texture);
    const auto stride = static_cast<std::size_t>(width) * 4;
    std::vector<guchar> pixels(stride * static_cast<std::size_t>(height));
    gdk_texture_download(texture, pixels.data(), stride);
    g_object_unref(texture);
    std::vector<int> alphas;
    for (const auto& [x, y] : points) {
        // GDK_MEMORY_DEFAULT keeps alpha in the fourth byte of each pixel.
        const bool inside = x >= 0 && y >= 0 && x < width && y < height;
        alphas.push_back(
            inside
                ? pixels[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 4 + 3]
                : -1);
    }
    return alphas;
}

bool ChromeHarness::xdotool(const std::vector<std::string>& args) {
    char* program = g_find_program_in_path("xdotool");
    if (!program) {
        return false;
    }
    std::vector<char*> argv{program};
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    gint status = -1;
    const gboolean spawned = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL,
                                          nullptr, nullptr, nullptr, nullptr, &status, nullptr);
    g_free(program);
    return spawned && g_spawn_check_wait_status(status, nullptr);
}

json sample_state() {
    return json{
        {"active", 7},
        {"bookmarked", false},
        {"canBack", true},
        {"canForward", false},
        {"downloadsUnseen", false},
        {"fullscreen", false},
        {"host", "example.com"},
        {"loading", false},
        {"newtab", false},
        {"platform", "linux"},
        {"private", false},
        {"sec", "secure"},
        {"shieldActive", true},
        {"tabs", json::array({
                     {{"favicon", nullptr},
                      {"host", "news.example.org"},
                      {"id", 3},
                      {"loading", false},
                      {"newtab", false},
                      {"sleeping", false},
                      {"title", "Morning news"},
                      {"url", "https://news.example.org/today"}},
                     {{"favicon", nullptr},
                      {"host", "example.com"},
                      {"id", 7},
                      {"loading", false},
                      {"newtab", false},
                      {"sleeping", false},
                      {"title", "Example Domain"},
                      {"url", "https://www.example.com/"}},
                     {{"favicon", nullptr},
                      {"host", ""},
                      {"id", 9},
                      {"loading", false},
                      {"newtab", true},
                      {"sleeping", false},
                      {"title", ""},
                      {"url", "corvane://newtab/"}},
                 })},
        {"url", "https://www.example.com/"},
        {"zoom", 1.0},
    };
}

} // namespace corvane::test

namespace corvane::test {

json sample_rows() {
    return json::parse(R"([
        {"display":"","kind":"url","title":"example.com","url":"https://www.example.com/"},
        {"engine":"DuckDuckGo","kind":"search","text":"exa","title":"exa"},
        {"display":"example.com/page","kind":"history","title":"Example <b>page</b>",
         "url":"https://www.example.com/page"},
        {"display":"exactly.org","kind":"bookmark","title":"Exactly","url":"https://exactly.org/"}
    ])");
}

void ChromePageTest::SetUpTestSuite() {
    harness_ = new ChromeHarness();
}

void ChromePageTest::TearDownTestSuite() {
    delete harness_;
    harness_ = nullptr;
}

void ChromePageTest::SetUp() {
    // A web process that ended in an earlier test failed that test; a load starts a new one
    // before anything here talks to the page.
    if (!h().web_process_end().empty()) {
        ASSERT_TRUE(h().load());
    }
    h().set_transparent(false);
    h().reset_view_size();
    h().set_dark(false);
    ASSERT_TRUE(h().load());
    h().clear_messages();
}

void ChromePageTest::TearDown() {
    if (const auto end = h().take_unreported_end()) {
        ADD_FAILURE() << *end;
    }
    if (!h().web_process_end().empty()) {
        return;
    }
    EXPECT_EQ(h().uri(), kChromeUri) << "the chrome page navigated its own view";
    EXPECT_EQ(js("window.__csp"), json::array()) << "security policy violations";
    EXPECT_EQ(js("window.__errors"), json::array()) << "uncaught script errors";
}

void ChromePageTest::settle() {
    // Endless animations (the loading spinner) never finish, so only finite ones are waited for.
    const char* const probe = "document.getAnimations().every((a) => a.playState !== 'running' ||"
                              " a.effect.getComputedTiming().endTime === Infinity)";
    EXPECT_TRUE(h().run_until([&] { return js(probe) == true; }, std::chrono::seconds(5)))
        << "animations still running";
    js("window.__framed = false;"
       "requestAnimationFrame(() => requestAnimationFrame(() => { window.__framed = true; }))");
    EXPECT_TRUE(
        h().run_until([&] { return js("window.__framed") == true; }, std::chrono::seconds(5)));
}

void ChromePageTest::focus_omni() {
    js("window.__framed = false; document.getElementById('omni-input').focus();"
       "requestAnimationFrame(() => requestAnimationFrame(() => { window.__framed = true; }))");
    EXPECT_TRUE(
        h().run_until([&] { return js("window.__framed") == true; }, std::chrono::seconds(5)));
}

void ChromePageTest::type_into_omni(const std::string& text) {
    focus_omni();
    js("T.type('#omni-input', " + json(text).dump() + ")");
    h().clear_messages();
}

} // namespace corvane::test
