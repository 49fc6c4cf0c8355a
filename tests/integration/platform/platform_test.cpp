// The GTK platform layer on real WebKitGTK views and a real GTK window: script results, the
// message bridge, visibility and windows. Loads, titles, new windows, external links, the
// scheme's isolation, process ends and content filters are checked through the engine's own
// callbacks and handlers (tests/integration/engine); bounds, the loop's wakes and the menu bar
// through the chrome view, core and keyboard tests (tests/integration/ui, core, commands).
#include "integration/wait.h"
#include "platform/gtk/gtk_window.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

namespace corvane::test {
namespace {

using platform::WebContextKind;

// A frame of another origin tries to reach the chrome page's message handler and reports what
// it found to its own server.
HttpResponse serve(const HttpRequest& request) {
    return html_page(request.path != "/frame"
                         ? "<title>Hello</title>"
                         : "<script>const out=[];for(const [name,post] of [['handler',()=>window"
                           ".webkit.messageHandlers.ipc.postMessage('x')],['top',()=>top.ipc"
                           ".postMessage('x')],['own',()=>window.ipc.postMessage('x')]]){try{"
                           "post();out.push(name)}catch(e){}}fetch('/reached-'+out.join('-'))"
                           "</script>");
}

LoopbackServer& server() {
    static LoopbackServer instance(serve);
    return instance;
}

// One platform per program; its chrome pages are a frame of the loopback server.
platform::Platform& shared_platform() {
    static std::unique_ptr<platform::Platform> instance = [] {
        auto made = platform::gtk::make_gtk_platform({"com.halbrin.corvane.tests", false});
        platform::gtk::start_without_running(*made);
        made->register_scheme(WebContextKind::ui, "corvane", [](const auto&) {
            return platform::SchemeResponse{.content_type = "text/html",
                                            .headers = {},
                                            .body = "<iframe src='" + server().origin() +
                                                    "/frame'></iframe>"};
        });
        return made;
    }();
    return *instance;
}

class Platform : public ::testing::Test {
protected:
    void SetUp() override {
        window = shared_platform().create_window({"platform test", {800, 600}, {520, 360}});
    }
    std::unique_ptr<platform::WebView> load(const std::string& url,
                                            WebContextKind context = WebContextKind::content) {
        platform::WebViewOptions options;
        options.context = context;
        options.script_bridge = context == WebContextKind::ui;
        options.session =
            options.script_bridge ? shared_platform().create_ephemeral_session() : session;
        options.bounds = {0, 0, 800, 600};
        auto view = shared_platform().create_web_view(*window, options);
        bool finished = false;
        view->on_load_changed = [&](platform::LoadPhase phase, const std::string&) {
            finished = finished || phase == platform::LoadPhase::finished;
        };
        view->load_url(url);
        EXPECT_TRUE(wait_until([&] { return finished; })) << url;
        view->on_load_changed = nullptr;
        return view;
    }

    static inline TempDir data;
    static inline std::shared_ptr<platform::NetworkSession> session =
        shared_platform().create_persistent_session(data.path() / "data", data.path() / "cache");
    std::shared_ptr<platform::Window> window;
};

TEST_F(Platform, ScriptResultsArriveAsJsonTextOrEmptyAndViewsTakeTheirVisibility) {
    auto view = load(server().origin() + "/hello");
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"'s\"q'", R"("s\"q")"}, {"[42.5,true,null]", "[42.5,true,null]"}, {"undefined", ""}, {"document.title", R"("Hello")"},
        {"Promise.resolve(1)", ""}, {"(()=>{throw new Error('boom')})()", ""}, {"(function(){})", ""},
    };
    // clang-format on
    for (const auto& [script, json] : cases) {
        EXPECT_EQ(evaluate(*view, script), json) << script;
    }

    for (const bool hidden : {true, false}) {
        view->set_hidden(hidden);
        EXPECT_TRUE(wait_until(
            [&] { return evaluate(*view, "document.hidden") == (hidden ? "true" : "false"); }));
    }
}

TEST_F(Platform, BridgeCarriesMainFrameMessagesWithTheirUrlAndNothingFromOtherFrames) {
    std::string messages;
    auto view = load("corvane://ui/bridge.html", WebContextKind::ui);
    view->on_script_message = [&](const std::string& body, const std::string& page_url) {
        messages += body + " from " + page_url + "\n";
    };
    EXPECT_TRUE(wait_until([&] { return server().count("/reached-") == 1; })) << "none reached";
    EXPECT_EQ(evaluate(*view, "typeof window.webkit?.messageHandlers?.ipc"), R"("undefined")")
        << "the page's own scripts cannot see the handler";
    evaluate(*view, "window.ipc.postMessage('{\"t\":\"ready\"}')");
    EXPECT_TRUE(wait_until(
        [&] { return messages == "{\"t\":\"ready\"} from corvane://ui/bridge.html\n"; }));
}

TEST_F(Platform, WindowReportsItsLaidOutSizeAndLeavesClosingToItsOwner) {
    std::optional<platform::Size> resized;
    int close_requests = 0;
    window->on_resized = [&](platform::Size size) {
        resized = size;
    };
    window->on_close_requested = [&] {
        ++close_requests;
    };
    EXPECT_EQ(window->inner_size(), (platform::Size{800, 600})) << "the size it is about to get";
    ASSERT_TRUE(wait_until([&] { return resized.has_value(); }));
    EXPECT_EQ(std::pair(*resized, window->scale_factor()),
              std::pair(platform::Size{800, 600}, 1.0));
    GtkWindow* gtk_window = dynamic_cast<platform::gtk::GtkBrowserWindow&>(*window).gtk_window();
    gtk_window_close(gtk_window);
    EXPECT_TRUE(wait_until([&] { return close_requests == 1; }));
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(gtk_window)));
    // Without an owner's hook the window closes itself, and dropping the view and the window after
    // that (at the test's end) is still safe.
    window->on_close_requested = nullptr;
    auto view = load("about:blank");
    gtk_window_close(gtk_window);
    EXPECT_TRUE(wait_until([&] { return !gtk_widget_get_visible(GTK_WIDGET(gtk_window)); }));
}

} // namespace
} // namespace corvane::test
