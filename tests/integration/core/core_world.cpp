#include "core_world.h"

#include "core/windows.h"
#include "store/store.h"
#include "support/web_processes.h"

namespace corvane::test {

CoreWorld::CoreWorld()
    : platform([this] {
          // Caches go to a folder of this test, which waits for the helpers before it goes.
          ::setenv("XDG_CACHE_HOME", (data / "cache").c_str(), 1);
          auto made = platform::gtk::make_gtk_platform({"com.halbrin.corvane.coretests", false});
          platform::gtk::start_without_running(*made);
          return made;
      }()),
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
    wait_for_helper_processes("XDG_CACHE_HOME=" + (data / "cache").string());
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
    // The next test goes on with this world: a late event of a closed view must not read this
    // as the user closing the last window, which ends the event loop for good.
    app().last_window_closed = false;
    pump(50ms);
}

} // namespace corvane::test
