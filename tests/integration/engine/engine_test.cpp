// The engine on the real GTK platform and WebKit: what the corvane scheme, the chrome page's
// message channel and a page's links can reach, the Shield's compiled list and HTTPS-Only's
// fallback (private data kept apart: integration/commands, clearing website data).
// A loopback server serves the pages and is the HTTP proxy of the default store, so pages can name
// hosts that are not local.
#include "engine/engine_config.h"
#include "engine/shield_wiring.h"
#include "engine/webviews.h"
#include "integration/tls_tunnel.h"
#include "integration/wait.h"
#include "platform/gtk/gtk_network.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace corvane::test {
namespace {

HttpResponse serve(const HttpRequest& request) {
    if (request.path == "/links") {
        // A link and a form to the address after "to=".
        const std::string to = request.target.substr(request.target.find("to=") + 3);
        return html_page("<title>links</title><a id=go href='" + to +
                         "'>go</a><form id=form method=post action='" + to +
                         "'><input name=secret value=s3cret></form>");
    }
    if (request.tls) {
        if (request.path == "/hop") {
            return HttpResponse{
                302, "text/plain", "", {{"Location", "http://hop.corvane-test.example/landed"}}};
        }
        return html_page("<title>" + request.path.substr(1) + " over https</title>");
    }
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
        // Names under .invalid go to the resolver, which finds none.
        const char* direct[] = {"*.invalid", nullptr};
        g_autoptr(WebKitNetworkProxySettings) proxy =
            webkit_network_proxy_settings_new(server.origin().c_str(), direct);
        webkit_network_session_set_proxy_settings(session->session(),
                                                  WEBKIT_NETWORK_PROXY_MODE_CUSTOM, proxy);
        // The hosts of kHttpsHosts have HTTPS; "slow." never answers, and the others of
        // kTunnelled close the tunnel as a site without HTTPS closes port 443.
        for (std::string_view host : kHttpsHosts) {
            webkit_network_session_allow_tls_certificate_for_host(
                session->session(), test_certificate(), std::string(host).c_str());
        }
        server.tunnel({std::begin(kTunnelled), std::end(kTunnelled)}, [](int socket,
                                                                         const std::string& host) {
            if (host.starts_with("slow.")) {
                std::this_thread::sleep_for(3s);
            }
            return std::ranges::find(kHttpsHosts, host) != std::end(kHttpsHosts) ? open_tls(socket)
                                                                                 : std::nullopt;
        });
    }

    static constexpr std::string_view kHttpsHosts[] = {
        "secure.corvane-test.example", "hop.corvane-test.example", "form.corvane-test.example",
        "off.corvane-test.example"};
    static constexpr std::string_view kTunnelled[] = {
        "secure.corvane-test.example", "hop.corvane-test.example",    "form.corvane-test.example",
        "off.corvane-test.example",    "plain.corvane-test.example",  "typed.corvane-test.example",
        "slow.corvane-test.example",   "refused.corvane-test.example"};

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
    return create_tab_webview(
        world().config, *world().window, store, *world().chrome,
        TabParams{address, id, store != nullptr, https_only, shield, 0, "", ""},
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

// How the server saw a host's requests, in order: "connect" for its first tunnel (WebKit may
// open a second one ahead), then "http GET /a", "https POST /a body", ...
std::vector<std::string> seen_by(const std::string& host) {
    std::vector<std::string> seen;
    for (const HttpRequest& r : world().server.requests()) {
        if (r.method == "CONNECT" && r.target.starts_with(host + ":")) {
            if (std::ranges::find(seen, "connect") == seen.end()) {
                seen.push_back("connect");
            }
        } else if (r.tls ? r.headers.at("host") == host
                         : r.target.starts_with("http://" + host + "/")) {
            seen.push_back((r.tls ? "https " : "http ") + r.method + " " + r.path +
                           (r.body.empty() ? "" : " " + r.body));
        }
    }
    return seen;
}

// HTTPS-Only on real WebKit, the test proxy standing in for the network: a tab's http
// navigations go out as https before anything is sent, and fall back to http once when the site
// has no HTTPS. Which hosts and failures count and the fallback's steps: the unit tests.
TEST(Engine, HttpsOnlyUpgradesBeforeSendingAndFallsBackOnce) {
    struct Case {
        const char* how; // "link", "form", "typed" (the browser chose https) or "stop"
        const char* host;
        const char* path;
        bool https_only;
        const char* title; // what the tab shows in the end
        std::vector<std::string> seen;
    };
    const Case cases[] = {
        {"link", "secure", "/a", true, "a over https", {"connect", "https GET /a"}},
        {"link", "plain", "/b", true, "b over http", {"connect", "http GET /b"}},
        {"typed", "typed", "/first", false, "first over http", {"connect", "http GET /first"}},
        // An https page that redirects to http ends there, once.
        {"link",
         "hop",
         "/hop",
         true,
         "landed over http",
         {"connect", "https GET /hop", "http GET /landed"}},
        {"form",
         "form",
         "/send",
         true,
         "send over https",
         {"connect", "https POST /send secret=s3cret"}},
        {"link", "off", "/c", false, "c over http", {"http GET /c"}},
        // Stopped while https is tried: nothing goes out over http.
        {"stop", "slow", "/d", true, "links", {"connect"}},
    };
    TabId id = 70;
    for (const Case& row : cases) {
        const std::string host = std::string(row.host) + ".corvane-test.example";
        const std::string http_url = "http://" + host + row.path;
        SCOPED_TRACE(http_url);
        std::unique_ptr<platform::WebView> tab;
        if (std::string_view(row.how) == "typed") {
            const std::string https_url = "https://" + host + row.path;
            tab = open_tab(https_url, ++id, nullptr, row.https_only);
            tab->expect_https_fallback(https_url, http_url);
        } else {
            const std::string links = url("/links?to=" + http_url);
            tab = open_tab(links, ++id, nullptr, row.https_only);
            ASSERT_TRUE(loaded(id, links));
            evaluate(*tab, std::string_view(row.how) == "form"
                               ? "document.getElementById('form').submit()"
                               : "document.getElementById('go').click()");
        }
        if (std::string_view(row.how) == "stop") {
            ASSERT_TRUE(wait_until([&] { return !seen_by(host).empty(); }));
            tab->stop_loading();
            pump(1500ms);
        }
        EXPECT_TRUE(wait_until([&] { return tab->title() == row.title; })) << tab->title();
        pump(300ms); // room for a request that should not come
        EXPECT_EQ(seen_by(host), row.seen);
    }
}

// Only a page over a TLS connection WebKit accepted counts as secure; not the error page of a
// refused certificate (no test of its own) or of a name that does not resolve.
TEST(Engine, OnlyAnAcceptedTlsConnectionIsSecure) {
    const std::pair<std::string, bool> cases[] = {
        {"https://secure.corvane-test.example/accepted", true},
        {"https://refused.corvane-test.example/refused", false},
        {"https://nowhere.invalid/", false},
        {url("/plain"), false}};
    TabId id = 90;
    for (const auto& [address, secure] : cases) {
        SCOPED_TRACE(address);
        auto tab = open_tab(address, ++id);
        ASSERT_TRUE(posted<event::PageLoad>(
            [&](const event::PageLoad& load) { return load.tab == id && !load.loading; }));
        EXPECT_TRUE(wait_until([&] { return !tab->is_loading(); }));
        EXPECT_EQ(tab->has_secure_connection(), secure);
    }
}

} // namespace
} // namespace corvane::test
