// The new tab page is generated for every visit (target under 50 µs); the history ranking runs
// whenever the snapshot is rebuilt, over up to 5,000 entries (target under 2 ms).
#include "pages/newtab_page.h"
#include "pages/rank_sites.h"
#include "pages/scheme_routes.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

using namespace corvane;

NewTabSnapshot full_snapshot() {
    NewTabSnapshot snapshot;
    snapshot.engine_template = "https://duckduckgo.com/?q={q}";
    snapshot.engine_name = "DuckDuckGo";
    for (int i = 0; i < 4; ++i) {
        snapshot.bookmarks.push_back(
            {"https://www.bookmark" + std::to_string(i) + ".example/some/longer/path?query=1&x=<y>",
             "Bookmark \"number\" " + std::to_string(i) + " & more"});
    }
    for (int i = 0; i < 8; ++i) {
        snapshot.top_sites.push_back(
            {"https://site" + std::to_string(i) + ".example/", "site" + std::to_string(i)});
    }
    snapshot.shield = true;
    snapshot.https_only = true;
    return snapshot;
}

void BM_RenderNewTabPage(benchmark::State& state) {
    const auto snapshot = full_snapshot();
    for (auto _ : state) {
        auto page = render_newtab_page(snapshot, WindowPrivacy::normal);
        benchmark::DoNotOptimize(page);
    }
}
BENCHMARK(BM_RenderNewTabPage)->Unit(benchmark::kMicrosecond);

// The whole request: lock, copy, generate, build the response.
void BM_ServeNewTab(benchmark::State& state) {
    const SharedNewTabSnapshot shared(full_snapshot());
    for (auto _ : state) {
        auto response = serve_newtab(shared, WindowPrivacy::normal, "corvane://newtab/");
        benchmark::DoNotOptimize(response);
    }
}
BENCHMARK(BM_ServeNewTab)->Unit(benchmark::kMicrosecond);

void BM_ServeUiFile(benchmark::State& state) {
    for (auto _ : state) {
        auto response = serve_ui("corvane://ui/app.js");
        benchmark::DoNotOptimize(response);
    }
}
BENCHMARK(BM_ServeUiFile)->Unit(benchmark::kMicrosecond);

// 5,000 entries over 600 sites: several pages per site, both schemes, www and bare hosts.
std::vector<HistoryEntry> full_history() {
    std::vector<HistoryEntry> history;
    const std::uint64_t now = 1'800'000'000;
    for (int i = 0; i < 5000; ++i) {
        const int site = i % 600;
        const std::string scheme = site % 7 == 0 ? "http" : "https";
        const std::string www = site % 3 == 0 ? "www." : "";
        history.push_back({scheme + "://" + www + "site" + std::to_string(site) + ".example/page/" +
                               std::to_string(i) + "?ref=home",
                           "Title " + std::to_string(i), static_cast<std::uint32_t>(1 + i % 17),
                           now - static_cast<std::uint64_t>(i) * 3600});
    }
    return history;
}

void BM_RankSites5000(benchmark::State& state) {
    const auto history = full_history();
    for (auto _ : state) {
        auto ranked = rank_sites(history, 8, 1'800'000'000);
        benchmark::DoNotOptimize(ranked);
    }
}
BENCHMARK(BM_RankSites5000)->Unit(benchmark::kMicrosecond);

// The worst case: every entry a site of its own, so every URL is parsed.
void BM_RankSites5000Distinct(benchmark::State& state) {
    auto history = full_history();
    for (std::size_t i = 0; i < history.size(); ++i) {
        history[i].url = "https://host" + std::to_string(i) + ".example/";
    }
    for (auto _ : state) {
        auto ranked = rank_sites(history, 8, 1'800'000'000);
        benchmark::DoNotOptimize(ranked);
    }
}
BENCHMARK(BM_RankSites5000Distinct)->Unit(benchmark::kMicrosecond);

} // namespace
