// The GTK platform layer on real WebKitGTK views and a real GTK application: script results, the
// message bridge, placement, content filters, windows, the loop's event source and the menu bar.
// Loads, titles, new windows, external links, the scheme's isolation and process ends are
// checked through the engine's own callbacks and handlers (tests/integration/engine).
#include "integration/wait.h"
#include "platform/gtk/gtk_menu.h"
#include "platform/gtk/gtk_window.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <nlohmann/json.hpp>
#include <numeric>
#include <thread>

namespace corvane::test {
namespace {

using platform::WebContextKind;

HttpResponse serve(const HttpRequest& request) {
    if (request.path.ends_with(".js")) {
        return {
            200, "text/javascript", "document.title+=' " + request.path.substr(1, 7) + "-ran'", {}};
    }
    if (request.path == "/frame") {
        // A frame of another origin tries to reach the chrome page's message handler and reports
        // what it found to its own server.
        return html_page("<script>const out=[];for(const [name,post] of [['handler',()=>window"
                         ".webkit.messageHandlers.ipc.postMessage('x')],['top',()=>top.ipc"
                         ".postMessage('x')],['own',()=>window.ipc.postMessage('x')]]){try{post();"
                         "out.push(name)}catch(e){}}fetch('/reached-'+out.join('-'))</script>");
    }
    return html_page("<title>Hello</title><script src=/blocked.js></script>"
                     "<script src=/allowed.js></script>");
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
            platform::SchemeResponse response;
            response.content_type = "text/html";
            response.body = "<iframe src='" + server().origin() + "/frame'></iframe>";
            return response;
        });
        return made;
    }();
    return *instance;
}

class Platform : public ::testing::Test {
protected:
    void SetUp() override {
        window = shared_platform().create_window({"platform test", {800, 600}, {520, 360}});
        ASSERT_NE(window, nullptr);
    }
    std::unique_ptr<platform::WebView> load(const std::string& url,
                                            WebContextKind context = WebContextKind::content) {
        platform::WebViewOptions options;
        options.label = "test-view";
        options.context = context;
        options.session =
            context == WebContextKind::ui ? shared_platform().create_ephemeral_session() : session;
        options.bounds = {0, 0, 800, 600};
        options.script_bridge = context == WebContextKind::ui;
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

TEST_F(Platform, ScriptResultsArriveAsJsonTextOrEmpty) {
    auto view = load(server().origin() + "/hello");
    const std::pair<const char*, const char*> cases[] = {
        {"'s\"q'", R"("s\"q")"},    {"true", "true"},
        {"42.5", "42.5"},           {"undefined", ""},
        {"Promise.resolve(1)", ""}, {"(()=>{throw new Error('boom')})()", ""},
        {"(function(){})", ""},     {"document.title", R"("Hello blocked-ran allowed-ran")"},
    };
    for (const auto& [script, json] : cases) {
        EXPECT_EQ(evaluate(*view, script), json) << script;
    }
    // An object's keys cross from the web process in an order WebKit does not keep in every
    // rendering mode: the value is what counts.
    EXPECT_EQ(nlohmann::json::parse(evaluate(*view, "({a:[1,null],b:'x'})").value_or("")),
              nlohmann::json::parse(R"({"a":[1,null],"b":"x"})"));
    std::optional<std::string> awaited;
    view->evaluate_async_function("return await new Promise(r=>setTimeout(()=>r({ok:42}),10))",
                                  [&](std::string result) { awaited = std::move(result); });
    ASSERT_TRUE(wait_until([&] { return awaited.has_value(); }));
    EXPECT_EQ(*awaited, R"({"ok":42})");
}

TEST_F(Platform, BridgeCarriesMainFrameMessagesWithTheirUrlAndNothingFromOtherFrames) {
    std::vector<std::pair<std::string, std::string>> messages;
    auto view = load("corvane://ui/bridge.html", WebContextKind::ui);
    view->on_script_message = [&](const std::string& body, const std::string& page_url) {
        messages.emplace_back(body, page_url);
    };
    EXPECT_TRUE(wait_until([&] { return server().count("/reached-") == 1; })) << "none reached";
    EXPECT_EQ(evaluate(*view, "typeof (window.webkit&&window.webkit.messageHandlers&&"
                              "window.webkit.messageHandlers.ipc)"),
              R"("undefined")")
        << "the page's own scripts cannot see the handler";
    evaluate(*view, "window.ipc.postMessage('{\"t\":\"ready\"}')");
    ASSERT_TRUE(wait_until([&] { return !messages.empty(); }));
    EXPECT_EQ(messages, (std::vector<std::pair<std::string, std::string>>{
                            {R"({"t":"ready"})", "corvane://ui/bridge.html"}}));
}

// A filter applies until removed, a list WebKit refuses yields none, and a store opened later
// on the same folder finds a compiled list by its identifier.
TEST_F(Platform, ViewsTakeTheirBoundsVisibilityAndFilters) {
    auto view = load(server().origin() + "/hello");
    view->set_bounds({10, 20, 300, 200});
    EXPECT_TRUE(wait_until(
        [&] { return evaluate(*view, "innerWidth+'x'+innerHeight") == R"("300x200")"; }));
    view->set_hidden(true);
    EXPECT_TRUE(
        wait_until([&] { return evaluate(*view, "document.visibilityState") == R"("hidden")"; }));
    view->set_hidden(false);
    EXPECT_TRUE(
        wait_until([&] { return evaluate(*view, "document.visibilityState") == R"("visible")"; }));

    std::optional<std::shared_ptr<platform::ContentFilter>> result;
    const auto done = [&](std::shared_ptr<platform::ContentFilter> list) {
        result = std::move(list);
    };
    const auto finish = [&] {
        EXPECT_TRUE(wait_until([&] { return result.has_value(); }));
        return std::exchange(result, std::nullopt).value_or(nullptr);
    };
    const std::filesystem::path folder = data.path() / "filters";
    auto first = shared_platform().open_content_filter_store(folder);
    first->compile("test-filter",
                   R"([{"trigger":{"url-filter":"blocked\\.js"},"action":{"type":"block"}}])",
                   done);
    ASSERT_NE(finish(), nullptr);
    auto store = shared_platform().open_content_filter_store(folder);
    store->lookup("test-filter", done);
    const auto filter = finish();
    ASSERT_NE(filter, nullptr);
    view->add_content_filter(filter);
    view->reload();
    EXPECT_TRUE(wait_until([&] { return view->title() == "Hello allowed-ran"; })) << view->title();
    view->remove_all_content_filters();
    view->reload();
    EXPECT_TRUE(wait_until([&] { return view->title() == "Hello blocked-ran allowed-ran"; }));
    store->compile("bad", "not json", done);
    EXPECT_EQ(finish(), nullptr);
    store->lookup("missing", done);
    EXPECT_EQ(finish(), nullptr);
}

TEST_F(Platform, WindowReportsItsLaidOutSizeAndLeavesClosingToItsOwner) {
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
    GtkWindow* gtk_window = dynamic_cast<platform::gtk::GtkBrowserWindow&>(*window).gtk_window();
    gtk_window_close(gtk_window);
    EXPECT_TRUE(wait_until([&] { return close_requests == 1; }));
    EXPECT_TRUE(gtk_widget_get_visible(GTK_WIDGET(gtk_window)));
    // Without an owner's hook the window closes itself, and dropping it later is still safe.
    window->on_close_requested = nullptr;
    auto view = load("about:blank");
    gtk_window_close(gtk_window);
    EXPECT_TRUE(wait_until([&] { return !gtk_widget_get_visible(GTK_WIDGET(gtk_window)); }));
    view.reset();
    window.reset();
}

// Posts from another thread wake the loop in order; a deadline wakes it once, a past one at once.
TEST(EventLoop, PostsAndDeadlinesWakeTheLoop) {
    platform::Application& app = shared_platform().application();
    auto queue = std::make_shared<platform::EventQueue<int>>(app.waker());
    std::vector<int> handled;
    int wakes = 0;
    app.on_wake = [&] {
        ++wakes;
        while (auto value = queue->pop()) {
            handled.push_back(*value);
        }
    };
    std::vector<int> posted(500);
    std::iota(posted.begin(), posted.end(), 0);
    std::thread([&] {
        for (int n : posted) {
            queue->push(n);
        }
    }).join();
    EXPECT_TRUE(wait_until([&] { return handled.size() == 500; }, 5000ms));
    EXPECT_EQ(handled, posted);
    wakes = 0;
    const auto start = std::chrono::steady_clock::now();
    app.set_deadline(start + 150ms);
    ASSERT_TRUE(wait_until([&] { return wakes == 1; }, 5000ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 140ms);
    pump(300ms);
    EXPECT_EQ(wakes, 1) << "a passed deadline does not keep firing";
    app.set_deadline(std::chrono::steady_clock::now() - 1s);
    EXPECT_TRUE(wait_until([&] { return wakes == 2; }, 1000ms));
    app.on_wake = nullptr;
}

// Items are grouped into sections at separators, accelerators are translated (an unknown one
// dropped), and activation reports the item's id but never a predefined item's.
TEST(MenuBar, InstallsSectionsAcceleratorsAndReportsActivations) {
    using platform::MenuEntry;
    std::vector<std::string> activated;
    shared_platform().install_menu_bar(
        {{"File",
          {MenuEntry::item("newTab", "New Tab", "CmdOrCtrl+T"), MenuEntry::separator(),
           MenuEntry::item("odd", "Odd", "Hyper+Nothing")}},
         {"Edit", {MenuEntry::predefined_item(platform::PredefinedItem::copy)}},
         {"Window", {MenuEntry::item("prevTab", "Show Previous Tab", "Control+Shift+Tab")}}},
        [&](const std::string& id) { activated.push_back(id); });
    auto* app = GTK_APPLICATION(g_application_get_default());
    GMenuModel* bar = gtk_application_get_menubar(app);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(g_menu_model_get_n_items(bar), 3);
    g_autoptr(GMenuModel) file = g_menu_model_get_item_link(bar, 0, G_MENU_LINK_SUBMENU);
    EXPECT_EQ(g_menu_model_get_n_items(file), 2);
    const auto accels = [&](const char* action) {
        g_auto(GStrv) list = gtk_application_get_accels_for_action(app, action);
        return std::vector<std::string>(list, list + g_strv_length(list));
    };
    EXPECT_EQ(accels("app.cmd::newTab"), std::vector<std::string>{"<Control>t"});
    EXPECT_EQ(accels("app.cmd::odd"), std::vector<std::string>{});
    EXPECT_EQ(accels("app.cmd::prevTab"), std::vector<std::string>{"<Shift><Control>Tab"});
    g_action_group_activate_action(G_ACTION_GROUP(app), "cmd", g_variant_new_string("newTab"));
    g_action_group_activate_action(G_ACTION_GROUP(app), "predefined", g_variant_new_string("copy"));
    EXPECT_EQ(activated, std::vector<std::string>{"newTab"});
}

TEST(MenuAccelerators, TranslateToGtkSyntax) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"CmdOrCtrl+Shift+Backspace", "<Control><Shift>BackSpace"},
        {"CmdOrCtrl+Alt+I", "<Control><Alt>i"},
        {"CmdOrCtrl+Digit0", "<Control>0"},
        {"CmdOrCtrl+BracketLeft", "<Control>bracketleft"},
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
