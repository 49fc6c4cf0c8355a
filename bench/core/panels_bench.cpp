// The history panel over a full history of 5,000 entries: the newest 1,500 picked, built as
// items and written as the page call's text for the chrome view. Target: under 1 ms.
#include "core/panels.h"
#include "core/windows.h"
#include "fake/fake_platform.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

namespace corvane {
namespace {

void BM_HistoryPanel(benchmark::State& state) {
    test::TempDir dir;
    test::FakePlatform platform;
    auto queue = std::make_shared<UserEventQueue>(platform.app.waker());
    App app = make_app(platform, EventLoopProxy(queue), load_store(dir / "data"));
    create_window(app, WindowKind::normal, {{"https://a.example/", "A"}}, 0);
    for (std::uint64_t i = 0; i < 5000; ++i) {
        // Visits spread over a month, stored out of time order, some sharing a second.
        const std::string n = std::to_string(i);
        app.store.history.push_back({(i % 4 == 0 ? "http://" : "https://") + ("www.site" + n) +
                                         ".example/articles/" + n + "?ref=feed",
                                     "An article title of ordinary length, number " + n, 3,
                                     1'700'000'000 + (i * 7919) % 2'600'000});
    }
    auto& chrome = dynamic_cast<test::FakeWebView&>(*app.windows[0].chrome);
    for (auto _ : state) {
        send_panel(app, 0, "history");
        benchmark::DoNotOptimize(chrome.scripts.back().script.size());
        chrome.scripts.clear();
        chrome.calls.clear();
    }
}
BENCHMARK(BM_HistoryPanel)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace corvane
