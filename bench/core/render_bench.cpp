// render for a window of 100 tabs: the state object built from the window, written as the page
// call and handed to the chrome view. Target: under 200 µs per call.
#include "core/page_calls.h"
#include "core/windows.h"
#include "fake/fake_platform.h"
#include "store/store.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

namespace corvane {
namespace {

// A browser with one ready window of 100 tabs, the 51st active, some with favicons, 200
// bookmarks and a short allowlist.
struct HundredTabs {
    HundredTabs();

    test::TempDir dir;
    test::FakePlatform platform;
    std::shared_ptr<UserEventQueue> queue;
    App app;
};

HundredTabs::HundredTabs()
    : queue(std::make_shared<UserEventQueue>(platform.app.waker())),
      app(make_app(platform, EventLoopProxy(queue), load_store(dir / "data"))) {
    std::vector<SessionTab> tabs;
    for (int i = 0; i < 100; ++i) {
        tabs.push_back({"https://www.site" + std::to_string(i) + ".example/articles/" +
                            std::to_string(i * 7919) + "?ref=bench",
                        "An article title of ordinary length, number " + std::to_string(i)});
    }
    create_window(app, WindowKind::normal, std::move(tabs), 50);
    BrowserWindow& window = app.windows[0];
    window.ready_seen = true;
    for (std::size_t i = 0; i < window.tabs.size(); i += 3) {
        window.tabs[i].favicon = "https://www.site" + std::to_string(i) + ".example/favicon.ico";
    }
    for (int i = 0; i < 200; ++i) {
        app.store.bookmarks.push_back(
            {"https://bookmark" + std::to_string(i) + ".example/", "", 0});
    }
    app.store.settings.shield_allowlist = {"one.example", "two.example", "three.example"};
}

void BM_RenderHundredTabs(benchmark::State& state) {
    HundredTabs browser;
    App& app = browser.app;
    auto& chrome = dynamic_cast<test::FakeWebView&>(*app.windows[0].chrome);

    for (auto _ : state) {
        render(app, 0);
        // The fake keeps every script; dropping it keeps memory flat and costs next to nothing.
        benchmark::DoNotOptimize(chrome.scripts.back().script.size());
        chrome.scripts.clear();
        chrome.calls.clear();
    }
}
BENCHMARK(BM_RenderHundredTabs)->Unit(benchmark::kMicrosecond);

// The core's half of render: gathering the state; the rest is writing it as JSON.
void BM_WindowStateHundredTabs(benchmark::State& state) {
    HundredTabs browser;
    for (auto _ : state) {
        benchmark::DoNotOptimize(window_state(browser.app, browser.app.windows[0]));
    }
}
BENCHMARK(BM_WindowStateHundredTabs)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace corvane
