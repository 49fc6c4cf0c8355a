// The address field's hot paths: scoring the whole store on every keystroke (target: under
// 1 ms with 5,000 history entries and 1,000 bookmarks) and resolving typed text (target: under
// 5 microseconds).

#include "address/address_input.h"
#include "address/suggestion_rows.h"
#include "address/suggestions.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

constexpr std::uint64_t now = 1'700'000'000;

// A store shaped like a real one: a few hundred sites, long paths, mostly ASCII titles with
// some non-ASCII ones.
corvane::Store full_store() {
    corvane::Store store;
    store.clock = [] {
        return now;
    };
    for (int i = 0; i < 5000; ++i) {
        std::string site = "site" + std::to_string(i % 300);
        std::string title = (i % 10 == 0 ? "Übersicht " : "Article ") + std::to_string(i) +
                            " about topic " + std::to_string(i % 37);
        store.history.push_back({"https://www." + site + ".example.com/articles/" +
                                     std::to_string(i) + "/a-long-readable-slug?ref=feed",
                                 title, static_cast<std::uint32_t>(1 + i % 20),
                                 now - static_cast<std::uint64_t>(i) * 3600});
    }
    for (int i = 0; i < 1000; ++i) {
        store.bookmarks.push_back({"https://docs.project" + std::to_string(i) +
                                       ".example.org/guide/chapter-" + std::to_string(i % 12),
                                   "Guide chapter " + std::to_string(i), now - 86400});
    }
    return store;
}

void score(benchmark::State& state, const char* query) {
    corvane::Store store = full_store();
    for (auto _ : state) {
        benchmark::DoNotOptimize(corvane::score_suggestions(store, query, 6));
    }
}

BENCHMARK_CAPTURE(score, few_matches, "site12")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(score, every_entry_matches, "e")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(score, title_matches, "topic 3")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(score, no_match, "zzzz")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(score, non_ascii_query, "übersicht")->Unit(benchmark::kMicrosecond);

void suggest(benchmark::State& state) {
    corvane::Store store = full_store();
    for (auto _ : state) {
        benchmark::DoNotOptimize(corvane::build_suggestions(store, "www.site1", true));
    }
}

BENCHMARK(suggest)->Unit(benchmark::kMicrosecond);

void resolve(benchmark::State& state, const char* text) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(corvane::resolve_input(text, "https://duckduckgo.com/?q={q}"));
    }
}

BENCHMARK_CAPTURE(resolve, host, "example.com");
BENCHMARK_CAPTURE(resolve, host_and_path, "github.com/user/repository/issues");
BENCHMARK_CAPTURE(resolve, full_url, "https://www.example.com/path?q=1");
BENCHMARK_CAPTURE(resolve, local, "localhost:3000/app");
BENCHMARK_CAPTURE(resolve, search, "what is the weather like today");
BENCHMARK_CAPTURE(resolve, idn,
                  "b\xc3\xbc"
                  "cher.de");

} // namespace
