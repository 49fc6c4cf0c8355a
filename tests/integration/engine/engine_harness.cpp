#include "engine_harness.h"

#include "platform/gtk/gtk_network.h"

namespace corvane::test {

namespace {

HttpResponse serve(const HttpRequest& request) {
    const std::string& path = request.path;
    if (path == "/page") {
        return html_page(
            "<title>Engine page</title><link rel=icon href='https://cdn.example/i.png'>"
            "<a id=blank target=_blank href=/popup>new</a>"
            "<a id=mail href='mailto:someone@example.com?subject=Hi'>mail</a>");
    }
    if (path == "/news") {
        return html_page("<title>news</title><script src='http://doubleclick.net/ad.js'></script>");
    }
    if (path == "/ad.js") {
        return HttpResponse{200, "text/javascript", "document.title+=' ad-ran'", {}};
    }
    if (path == "/store") {
        return html_page("<title>store</title>");
    }
    if (path == "/probe-scheme") {
        return html_page(
            "<title>probing</title><img id=i src='corvane://newtab/newtab.css'><script>"
            "const r={img:'pending',fetch:'pending'};const done=()=>{"
            "if(r.img!=='pending'&&r.fetch!=='pending')document.title=r.img+' '+r.fetch};"
            "const i=document.getElementById('i');"
            "i.onload=()=>{r.img='img-loaded';done()};i.onerror=()=>{r.img='img-failed';done()};"
            "fetch('corvane://newtab/').then(()=>{r.fetch='fetch-ok';done()},"
            "()=>{r.fetch='fetch-failed';done()})</script>");
    }
    if (path == "/shop") {
        return html_page("<title>shop over http</title>");
    }
    return HttpResponse{404, "text/plain", "missing", {}};
}

} // namespace

EngineWorld::EngineWorld()
    : platform([] {
          auto made = platform::gtk::make_gtk_platform({"com.halbrin.corvane.tests", false});
          platform::gtk::start_without_running(*made);
          return made;
      }()),
      queue(std::make_shared<UserEventQueue>(nullptr)),
      server(std::make_unique<LoopbackServer>(serve)),
      config(make_engine_config(*platform, EventLoopProxy(queue),
                                std::make_shared<SharedNewTabSnapshot>(), data.path())) {
    route_through(*config.default_store, server->origin());
}

EngineWorld::~EngineWorld() = default;

EngineWorld& world() {
    static EngineWorld instance;
    return instance;
}

void route_through(platform::NetworkSession& store, const std::string& proxy) {
    auto* session = dynamic_cast<platform::gtk::GtkNetworkSession*>(&store);
    ASSERT_NE(session, nullptr);
    WebKitNetworkProxySettings* settings =
        webkit_network_proxy_settings_new(proxy.c_str(), nullptr);
    webkit_network_session_set_proxy_settings(session->session(), WEBKIT_NETWORK_PROXY_MODE_CUSTOM,
                                              settings);
    webkit_network_proxy_settings_free(settings);
}

void drain() {
    while (std::optional<UserEvent> event = world().queue->pop()) {
        world().seen.push_back(std::move(*event));
    }
}

void EngineTest::SetUp() {
    world();
    drain();
    world().seen.clear();
    window = world().platform->create_window({"engine test", {1000, 700}, {520, 360}});
    ASSERT_NE(window, nullptr);
    chrome = create_ui_webview(world().config, window, 1, "corvane://ui/index.html",
                               {0, 0, 1000, 86}, true);
    ASSERT_NE(chrome, nullptr);
}

void EngineTest::TearDown() {
    chrome.reset();
    window.reset();
}

std::unique_ptr<platform::WebView>
EngineTest::open_tab(const std::string& address, TabId id,
                     std::shared_ptr<platform::NetworkSession> store, bool https_only,
                     bool block_trackers) {
    return create_tab_webview(world().config, *window, store, *chrome,
                              TabParams{address, id, store != nullptr, https_only, block_trackers},
                              {0, 86, 1000, 614});
}

bool EngineTest::loaded(TabId tab, const std::string& address) {
    return wait_for<event::PageLoad>([&](const event::PageLoad& load) {
               return load.tab == tab && !load.loading && load.url == address;
           })
        .has_value();
}

} // namespace corvane::test
