// The engine on the real GTK platform and WebKit: what the corvane scheme, the chrome page's
// message channel and a page's links can reach, the Shield's compiled list and HTTPS-Only's
// fallback (private data kept apart: integration/commands, clearing website data).
// A loopback server serves the pages and is the HTTP proxy of the default store, so pages can name
// hosts that are not local.
#include "engine/engine_config.h"
#include "engine/shield_wiring.h"
#include "engine/webviews.h"
#include "integration/wait.h"
#include "platform/gtk/gtk_network.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>

namespace corvane::test {
namespace {

HttpResponse serve(const HttpRequest& request) {
    // /probe-scheme's title becomes what an image and a fetch of the scheme came to.
    const std::map<std::string, std::string> pages = {
        {"/page", "<title>Engine page</title>"
                  "<a id=mail href='mailto:someone@example.com?subject=Hi'>mail</a>"},
        {"/news", "<title>news</title><script src='http://doubleclick.net/ad.js'></script>"},
        {"/probe-scheme",
         "<title>probing</title><script>Promise.all([new Promise((r)=>{const i=new Image();"
         "i.onload=()=>r('img-loaded');i.onerror=()=>r('img-failed');"
         "i.src='corvane://newtab/newtab.css'}),fetch('corvane://newtab/').then(()=>'fetch-ok',"
         "()=>'fetch-failed')]).then((r)=>{document.title=r.join(' ')})</script>"}};
    if (request.path == "/ad.js") {
        return HttpResponse{200, "text/javascript", "document.title+=' ad-ran'", {}};
    }
    const auto page = pages.find(request.path);
    return html_page(page != pages.end()
                         ? page->second
                         : "<title>" + request.path.substr(1) + " over http</title>");
}

// Once per program: the engine's configuration, the events its callbacks post and a window
// with its chrome view.
struct World {
    World() {
        auto* session = dynamic_cast<platform::gtk::GtkNetworkSession*>(config.default_store.get());
        g_autoptr(WebKitNetworkProxySettings) proxy =
            webkit_network_proxy_settings_new(server.origin().c_str(), nullptr);
        webkit_network_session_set_proxy_settings(session->session(),
                                                  WEBKIT_NETWORK_PROXY_MODE_CUSTOM, proxy);
    }

    std::unique_ptr<platform::Platform> platform = [] {
        auto made = platform::gtk::make_gtk_platform({"com.halbrin.corvane.tests", false});
        platform::gtk::start_without_running(*made);
        return made;
    }();
    TempDir data;
    std::shared_ptr<UserEventQueue> queue = std::make_shared<UserEventQueue>(nullptr);
    LoopbackServer server{serve};
    EngineConfig config = make_engine_config(*platform, EventLoopProxy(queue),
                                             std::make_shared<SharedNewTabSnapshot>(), data.path());
    std::shared_ptr<platform::Window> window =
        platform->create_window({"engine test", {1000, 700}, {520, 360}});
    std::unique_ptr<platform::WebView> chrome =
        create_ui_webview(config, window, 1, "corvane://ui/index.html", {0, 0, 1000, 86}, true);
    std::vector<UserEvent> seen; // taken from the queue so far, oldest first
};

World& world() {
    static World instance;
    return instance;
}

std::string url(const std::string& path) {
    return world().server.origin() + path;
}

template <typename Event>
std::vector<Event> seen_of() {
    while (std::optional<UserEvent> event = world().queue->pop()) {
        world().seen.push_back(std::move(*event));
    }
    std::vector<Event> found;
    for (const UserEvent& event : world().seen) {
        if (const auto* match = std::get_if<Event>(&event)) {
            found.push_back(*match);
        }
    }
    return found;
}

// Waits until an event of that type matching pred has been posted.
template <typename Event>
bool posted(const std::function<bool(const Event&)>& pred) {
    return wait_until([&] { return std::ranges::any_of(seen_of<Event>(), pred); });
}

bool loaded(TabId tab, const std::string& address) {
    return posted<event::PageLoad>([&](const event::PageLoad& load) {
        return load.tab == tab && !load.loading && load.url == address;
    });
}

std::unique_ptr<platform::WebView> open_tab(const std::string& address, TabId id,
                                            std::shared_ptr<platform::NetworkSession> store = {},
                                            bool https_only = false, bool shield = false) {
    return create_tab_webview(world().config, *world().window, store, *world().chrome,
                              TabParams{address, id, store != nullptr, https_only, shield},
                              {0, 86, 1000, 614});
}

TEST(Engine, EachPageReachesOnlyWhatItMay) {
    // The chrome page reports ready with its window; it stays on its own page whatever it or the
    // core asks.
    EXPECT_TRUE(posted<event::UiMessage>([](const event::UiMessage& m) {
        return std::holds_alternative<msg::Ready>(m.msg) && m.window == world().window->id();
    }));
    evaluate(*world().chrome, "location.href='" + url("/page") + "'");
    world().chrome->load_url("corvane://newtab/");

    // A content tab shows the new tab page, but a web page neither loads nor fetches the scheme,
    // and no tab shows the chrome page.
    auto newtab = open_tab("corvane://newtab/", 31);
    auto probe = open_tab(url("/probe-scheme"), 32);
    EXPECT_TRUE(wait_until([&] {
        return newtab->title() == "New Tab" && probe->title() == "img-failed fetch-failed";
    }));
    probe->load_url("corvane://ui/index.html");

    // A mailto link is handed to the desktop and not loaded; no web page can reach the chrome
    // page's message handler.
    auto tab = open_tab(url("/page"), 33);
    ASSERT_TRUE(loaded(33, url("/page")));
    evaluate(*tab, "document.getElementById('mail').click()");
    EXPECT_TRUE(posted<event::OpenExternally>([](const event::OpenExternally& e) {
        return e.url == "mailto:someone@example.com?subject=Hi";
    }));
    EXPECT_EQ(evaluate(*tab, "typeof window.ipc + typeof window.webkit?.messageHandlers?.ipc"),
              R"("undefinedundefined")");

    EXPECT_EQ(evaluate(*world().chrome, "location.href"), R"("corvane://ui/index.html")");
    // Neither the mailto link nor the chrome page was loaded in a tab.
    for (const event::PageLoad& load : seen_of<event::PageLoad>()) {
        EXPECT_TRUE(load.url.starts_with("http") || load.url == "corvane://newtab/") << load.url;
    }
}

// The bundled list, compiled by WebKit, keeps a tracker's script from loading until the Shield
// is turned off (a site on the allowlist gets a list of its own: the core's unit tests).
TEST(Engine, ShieldBlocksThirdPartyTrackersUntilTurnedOff) {
    install_rule_list(world().config, {});
    ASSERT_TRUE(posted<event::RuleListReady>([](const event::RuleListReady& r) { return r.ok; }));
    world().config.rule_list_ready = true;
    const std::string news = "http://news.corvane-test.example/news";
    auto tab = open_tab(news, 41, nullptr, false, true);
    ASSERT_TRUE(loaded(41, news));
    apply_shield(world().config, *tab, false);
    tab->reload();
    EXPECT_TRUE(wait_until([&] { return tab->title() == "news ad-ran"; }));
    EXPECT_EQ(world().server.count("/ad.js"), 1u) << "asked for only once the Shield was off";
}

// Through the test proxy the host is not local; https to it fails (the proxy opens no tunnels),
// so the upgraded tab falls back to the http page, and the replaced loads end silently. Which
// hosts are upgraded and the fallback's steps: the unit tests.
TEST(Engine, HttpsOnlyTriesHttpsFirstAndFallsBackToHttp) {
    const std::string address = "http://shop.corvane-test.example/shop";
    auto tab = open_tab(address, 61, nullptr, true);
    ASSERT_TRUE(loaded(61, address));
    EXPECT_TRUE(std::ranges::any_of(world().server.requests(), [](const HttpRequest& r) {
        return r.method == "CONNECT" && r.target.starts_with("shop.corvane-test.example:");
    }));
    EXPECT_TRUE(wait_until([&] { return tab->title() == "shop over http"; }));
    for (const event::PageLoad& load : seen_of<event::PageLoad>()) {
        EXPECT_TRUE(load.loading || load.tab != 61 || load.url == address) << load.url;
    }
}

} // namespace
} // namespace corvane::test
