// Real WebKitGTK views on the platform layer: script results, the message bridge, placement,
// downloads and content filters. Loads, titles, new windows, external links, the scheme's
// isolation and process ends are checked through the engine's own callbacks and handlers
// (tests/integration/engine).
#include "platform/gtk/gtk_menu.h"
#include "platform/gtk/gtk_window.h"
#include "platform_harness.h"
#include "support/temp_dir.h"

#include <fstream>
#include <nlohmann/json.hpp>

namespace corvane::test {
namespace {

using platform::WebContextKind;

HttpResponse page(const std::string& body) {
    return HttpResponse{200, "text/html; charset=utf-8", "<!doctype html>" + body, {}};
}

HttpResponse serve(const HttpRequest& request) {
    if (request.path == "/hello") {
        return page("<title>Hello</title><p>hi");
    }
    if (request.path == "/report.txt") {
        return HttpResponse{200,
                            "text/plain",
                            "fresh report",
                            {{"Content-Disposition", "attachment; filename=\"report.txt\""}}};
    }
    if (request.path == "/filtered") {
        return page("<title>before</title><script src=/blocked.js></script>"
                    "<script src=/allowed.js></script>");
    }
    if (request.path == "/blocked.js") {
        return HttpResponse{200, "text/javascript", "document.title+=' blocked-ran'", {}};
    }
    if (request.path == "/allowed.js") {
        return HttpResponse{200, "text/javascript", "document.title+=' allowed-ran'", {}};
    }
    return HttpResponse{404, "text/plain", "missing", {}};
}

// A frame of another origin that tries to reach the chrome page's message handler and reports
// what it found to its own server.
HttpResponse serve_frame(const HttpRequest& request) {
    if (request.path == "/frame") {
        return page(
            "<script>const out=[];"
            "try{window.webkit.messageHandlers.ipc.postMessage('from-frame');out.push('handler-"
            "reached')}"
            "catch(e){out.push('no-handler')}"
            "try{top.ipc.postMessage('via-top');out.push('top-reached')}catch(e){out.push('no-top')"
            "}"
            "try{window.ipc.postMessage('own');out.push('own-reached')}catch(e){out.push('no-own')}"
            "fetch('/report?'+out.join(','))</script>");
    }
    return HttpResponse{204, "text/plain", "", {}};
}

class PlatformViews : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::Platform& p = shared_platform();
        server_ = std::make_unique<LoopbackServer>(serve);
        frame_server_ = std::make_unique<LoopbackServer>(serve_frame);
        data_ = std::make_unique<TempDir>();
        persistent_ = p.create_persistent_session(data_->path() / "data", data_->path() / "cache");
        ephemeral_ = p.create_ephemeral_session();
        store_ = p.open_content_filter_store(data_->path() / "filters");
        p.register_scheme(WebContextKind::ui, "corvane", [](const platform::SchemeRequest&) {
            platform::SchemeResponse response;
            response.content_type = "text/html";
            response.body = "<!doctype html><title>bridge</title><iframe src='" +
                            frame_server_->origin() + "/frame'></iframe>";
            return response;
        });
    }
    static void TearDownTestSuite() {
        store_.reset();
        persistent_.reset();
        ephemeral_.reset();
        frame_server_.reset();
        server_.reset();
        data_.reset();
    }

    void SetUp() override {
        window = shared_platform().create_window({"platform test", {800, 600}, {520, 360}});
        ASSERT_NE(window, nullptr);
    }

    std::unique_ptr<platform::WebView>
    make_view(WebContextKind context = WebContextKind::content,
              std::shared_ptr<platform::NetworkSession> session = nullptr) {
        platform::WebViewOptions options;
        options.label = "test-view";
        options.context = context;
        options.session = session ? session : persistent_;
        options.bounds = {0, 0, 800, 600};
        options.script_bridge = context == WebContextKind::ui;
        return shared_platform().create_web_view(*window, options);
    }

    std::string url(const std::string& path) const { return server_->origin() + path; }

    static inline std::unique_ptr<LoopbackServer> server_;
    static inline std::unique_ptr<LoopbackServer> frame_server_;
    static inline std::unique_ptr<TempDir> data_;
    static inline std::shared_ptr<platform::NetworkSession> persistent_;
    static inline std::shared_ptr<platform::NetworkSession> ephemeral_;
    static inline std::shared_ptr<platform::ContentFilterStore> store_;

    std::shared_ptr<platform::Window> window;
};

TEST_F(PlatformViews, ScriptResultsArriveAsJsonTextOrEmpty) {
    auto view = make_view();
    ASSERT_TRUE(load_and_wait(*view, url("/hello")));
    const std::vector<std::pair<std::string, std::string>> cases{
        {"'s\"q'", R"("s\"q")"},    {"true", "true"},
        {"42.5", "42.5"},           {"undefined", ""},
        {"Promise.resolve(1)", ""}, {"(()=>{throw new Error('boom')})()", ""},
        {"(function(){})", ""},     {"document.title", R"("Hello")"},
    };
    for (const auto& [script, json] : cases) {
        EXPECT_EQ(evaluate(*view, script), json) << script;
    }
    // An object's keys cross from the web process in an order WebKit does not keep in every
    // rendering mode (without compositing they come reversed): the value is what counts.
    EXPECT_EQ(nlohmann::json::parse(evaluate(*view, "({a:[1,null],b:'x'})").value_or("")),
              nlohmann::json::parse(R"({"a":[1,null],"b":"x"})"));
    std::optional<std::string> awaited;
    view->evaluate_async_function("return await new Promise(r=>setTimeout(()=>r({ok:42}),10))",
                                  [&](std::string result) { awaited = std::move(result); });
    ASSERT_TRUE(wait_until([&] { return awaited.has_value(); }));
    EXPECT_EQ(*awaited, R"({"ok":42})");
}

TEST_F(PlatformViews, BridgeCarriesMainFrameMessagesWithTheirUrlAndNothingFromOtherFrames) {
    auto view = make_view(WebContextKind::ui, ephemeral_);
    std::vector<std::pair<std::string, std::string>> messages;
    view->on_script_message = [&](const std::string& body, const std::string& page_url) {
        messages.emplace_back(body, page_url);
    };
    ASSERT_TRUE(load_and_wait(*view, "corvane://ui/bridge.html"));
    ASSERT_TRUE(wait_until([&] {
        for (const HttpRequest& r : frame_server_->requests()) {
            if (r.path == "/report") {
                return true;
            }
        }
        return false;
    }));
    std::string report;
    for (const HttpRequest& r : frame_server_->requests()) {
        if (r.path == "/report") {
            report = r.target;
        }
    }
    EXPECT_EQ(report, "/report?no-handler,no-top,no-own");
    EXPECT_EQ(evaluate(*view, "typeof (window.webkit&&window.webkit.messageHandlers&&"
                              "window.webkit.messageHandlers.ipc)"),
              R"("undefined")")
        << "the page's own scripts cannot see the handler";
    evaluate(*view, "window.ipc.postMessage('{\"t\":\"ready\"}')");
    ASSERT_TRUE(wait_until([&] { return !messages.empty(); }));
    EXPECT_EQ(messages, (std::vector<std::pair<std::string, std::string>>{
                            {R"({"t":"ready"})", "corvane://ui/bridge.html"}}));
}

TEST_F(PlatformViews, BoundsAndHidingReachThePage) {
    auto view = make_view();
    ASSERT_TRUE(load_and_wait(*view, url("/hello")));
    view->set_bounds({10, 20, 300, 200});
    EXPECT_EQ(view->bounds(), (platform::Rect{10, 20, 300, 200}));
    ASSERT_TRUE(wait_until(
        [&] { return evaluate(*view, "innerWidth+'x'+innerHeight") == R"("300x200")"; }));
    view->set_hidden(true);
    EXPECT_TRUE(view->is_hidden());
    ASSERT_TRUE(
        wait_until([&] { return evaluate(*view, "document.visibilityState") == R"("hidden")"; }));
    view->set_hidden(false);
    ASSERT_TRUE(
        wait_until([&] { return evaluate(*view, "document.visibilityState") == R"("visible")"; }));
    view->set_zoom(2.0);
    ASSERT_TRUE(wait_until([&] { return evaluate(*view, "innerWidth") == "150"; }));
}

TEST_F(PlatformViews, DownloadsNeverOverwriteAnExistingFile) {
    std::filesystem::path folder = std::filesystem::path(std::getenv("HOME")) / "Downloads";
    std::filesystem::create_directories(folder);
    { std::ofstream(folder / "report.txt") << "keep me"; }
    std::vector<platform::DownloadStart> started;
    std::vector<platform::DownloadEnd> ended;
    persistent_->on_download_started = [&](const platform::DownloadStart& s) {
        started.push_back(s);
    };
    persistent_->on_download_finished = [&](const platform::DownloadEnd& e) {
        ended.push_back(e);
    };
    auto view = make_view();
    view->load_url(url("/report.txt"));
    ASSERT_TRUE(wait_until([&] { return !ended.empty(); }));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].url, url("/report.txt"));
    EXPECT_EQ(started[0].destination, (folder / "report (1).txt").string());
    EXPECT_EQ(started[0].view_label, "test-view");
    EXPECT_TRUE(ended[0].success);
    EXPECT_EQ(read_file(folder / "report (1).txt"), "fresh report");
    EXPECT_EQ(read_file(folder / "report.txt"), "keep me");
    pump(200ms);
    EXPECT_EQ(ended.size(), 1u) << "one end per download";
    persistent_->on_download_started = nullptr;
    persistent_->on_download_finished = nullptr;
}

// Compiling, applying and finding the Shield's real list is checked through the engine
// (tests/integration/engine/shield_test.cpp); here, a filter applies only until removed and a
// list WebKit refuses yields none.
TEST_F(PlatformViews, FiltersApplyUntilRemovedAndRefusedListsYieldNone) {
    std::optional<std::shared_ptr<platform::ContentFilter>> compiled;
    const auto compile = [&](const std::string& name, const std::string& rules) {
        compiled.reset();
        store_->compile(name, rules, [&](std::shared_ptr<platform::ContentFilter> list) {
            compiled = std::move(list);
        });
        return wait_until([&] { return compiled.has_value(); }) ? *compiled : nullptr;
    };
    const auto filter = compile(
        "test-filter", R"([{"trigger":{"url-filter":"blocked\\.js"},"action":{"type":"block"}}])");
    ASSERT_NE(filter, nullptr);
    auto view = make_view();
    view->add_content_filter(filter);
    ASSERT_TRUE(load_and_wait(*view, url("/filtered")));
    ASSERT_TRUE(wait_until([&] { return view->title().find("allowed-ran") != std::string::npos; }));
    EXPECT_EQ(view->title(), "before allowed-ran");
    view->remove_all_content_filters();
    ASSERT_TRUE(load_and_wait(*view, url("/filtered")));
    EXPECT_TRUE(wait_until([&] { return view->title().find("blocked-ran") != std::string::npos; }));
    EXPECT_EQ(compile("bad", "not json"), nullptr);
}

TEST_F(PlatformViews, WindowReportsItsLaidOutSizeAndLeavesClosingToItsOwner) {
    std::optional<platform::Size> resized;
    window->on_resized = [&](platform::Size size) {
        resized = size;
    };
    EXPECT_EQ(window->inner_size(), (platform::Size{800, 600})) << "the size it is about to get";
    ASSERT_TRUE(wait_until([&] { return resized.has_value(); }));
    EXPECT_EQ(*resized, (platform::Size{800, 600}));
    EXPECT_EQ(window->scale_factor(), 1.0);

    int close_requests = 0;
    window->on_close_requested = [&] {
        ++close_requests;
    };
    auto* gtk_window = dynamic_cast<platform::gtk::GtkBrowserWindow*>(window.get());
    ASSERT_NE(gtk_window, nullptr);
    gtk_window_close(gtk_window->gtk_window());
    pump(100ms);
    EXPECT_EQ(close_requests, 1);
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(gtk_window->gtk_window())));

    // Without an owner's hook the window closes itself, and dropping it later is still safe.
    window->on_close_requested = nullptr;
    auto view = make_view();
    gtk_window_close(gtk_window->gtk_window());
    pump(100ms);
    view.reset();
    window.reset();
}

TEST(MenuAccelerators, TranslateToGtkSyntax) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"CmdOrCtrl+Shift+N", "<Control><Shift>n"},
        {"CmdOrCtrl+Comma", "<Control>comma"},
        {"CmdOrCtrl+Shift+Backspace", "<Control><Shift>BackSpace"},
        {"CmdOrCtrl+Alt+I", "<Control><Alt>i"},
        {"Control+Shift+Tab", "<Control><Shift>Tab"},
        {"CmdOrCtrl+Digit0", "<Control>0"},
        {"CmdOrCtrl+BracketLeft", "<Control>bracketleft"},
        {"CmdOrCtrl+Equal", "<Control>equal"},
        {"Hyper+Q", std::nullopt},
        {"CmdOrCtrl+Nonsense", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [ours, gtk] : cases) {
        EXPECT_EQ(platform::gtk::gtk_accelerator(ours), gtk) << ours;
    }
}

} // namespace
} // namespace corvane::test
