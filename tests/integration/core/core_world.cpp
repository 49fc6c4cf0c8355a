#include "core_world.h"

#include "core/windows.h"
#include "helper_processes.h"
#include "store/store.h"

#include <thread>

namespace corvane::test {

namespace {

HttpResponse serve(const HttpRequest& request) {
    const std::string& path = request.path;
    if (path == "/page") {
        return html_page("<title>Core page</title>"
                         "<link rel=icon href='https://127.0.0.1:9/fav.png'>"
                         "<a id=blank target=_blank href=/popup>new</a>");
    }
    if (path == "/popup") {
        return html_page("<title>Popup</title>");
    }
    if (path == "/slow") {
        // Answered late, so a load of it stays started, not committed, for a while.
        std::this_thread::sleep_for(2s);
        return html_page("<title>Slow</title>");
    }
    if (path.starts_with("/plain")) {
        // Never cached, so every load, a reload after a crash too, reaches the server.
        HttpResponse response = html_page("<title>Plain " + path.substr(6) + "</title>");
        response.headers.emplace_back("Cache-Control", "no-store");
        return response;
    }
    return HttpResponse{404, "text/plain", "missing", {}};
}

// The environment entry that marks this program's helper processes.
std::string cache_entry(const CoreWorld& world) {
    return "XDG_CACHE_HOME=" + (world.data / "cache").string();
}

} // namespace

CoreWorld::CoreWorld()
    : platform([this] {
          // Caches go to a folder of this test, which waits for the helpers before it goes.
          ::setenv("XDG_CACHE_HOME", (data / "cache").c_str(), 1);
          auto made = platform::gtk::make_gtk_platform({"com.halbrin.corvane.coretests", false});
          platform::gtk::start_without_running(*made);
          return made;
      }()),
      server(std::make_unique<LoopbackServer>(serve)),
      queue(std::make_shared<UserEventQueue>(platform->application().waker())) {
    App app = make_app(*platform, EventLoopProxy(queue), load_store(data / "store"));
    handler = std::make_unique<EventLoopHandler>(std::move(app), std::vector<std::string>{}, queue,
                                                 platform->application());
    platform->application().on_wake = [this] {
        handler->wake();
    };
}

CoreWorld::~CoreWorld() {
    platform->application().on_wake = nullptr;
    handler.reset();
    platform.reset();
    wait_for_helper_processes(cache_entry(*this));
}

CoreWorld& world() {
    static CoreWorld instance;
    return instance;
}

void BrowserTest::SetUp() {
    world();
    ASSERT_TRUE(app().windows.empty());
}

void BrowserTest::TearDown() {
    while (!app().windows.empty()) {
        close_window(app(), app().windows.size() - 1);
    }
    pump(50ms);
}

} // namespace corvane::test
