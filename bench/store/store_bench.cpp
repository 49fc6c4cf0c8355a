// Loading and writing a full history (5,000 entries): each should stay well under 5 ms, since
// both run on the main thread (start-up and the periodic flush).

#include "store/file_io.h"
#include "store/history.h"
#include "store/store.h"
#include "store/store_json.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace corvane;

std::vector<HistoryEntry> full_history() {
    std::vector<HistoryEntry> history;
    for (std::size_t i = 0; i < kHistoryCap; ++i) {
        const std::string n = std::to_string(i);
        history.push_back({"https://www.site" + n + ".example/articles/2024/a-long-path-" + n +
                               "?utm_source=feed&id=" + n,
                           "Article " + n + " — Überschrift \"quoted\" / résumé", 3,
                           1700000000 + i});
    }
    return history;
}

// A fresh folder for the benchmark's files, removed at the end.
class BenchFolder {
public:
    BenchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "corvane-bench.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path_ = pattern;
    }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

void BM_ParseHistory5000(benchmark::State& state) {
    const std::string text = write_history(full_history());
    for (auto _ : state) {
        benchmark::DoNotOptimize(read_history(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseHistory5000)->Unit(benchmark::kMillisecond);

// The same history with one integer written -0 in a member the reader skips: such a text (never
// written by the store itself) takes the slower reader, built on nlohmann's lexer.
void BM_ParseHistory5000SlowReader(benchmark::State& state) {
    std::string text = write_history(full_history());
    text.insert(text.size() - 2, R"(,"edited":-0)");
    if (!read_history(text)) {
        state.SkipWithError("history refused");
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(read_history(text));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseHistory5000SlowReader)->Unit(benchmark::kMillisecond);

void BM_LoadStoreWithHistory5000(benchmark::State& state) {
    BenchFolder folder;
    const auto dir = folder.path() / "com.halbrin.corvane";
    std::filesystem::create_directories(dir);
    replace_file(dir / kHistoryFile, write_history(full_history()));
    for (auto _ : state) {
        const Store store = load_store(dir);
        if (store.history.size() != kHistoryCap) {
            state.SkipWithError("history did not load");
        }
    }
}
BENCHMARK(BM_LoadStoreWithHistory5000)->Unit(benchmark::kMillisecond);

void BM_SerializeHistory5000(benchmark::State& state) {
    const auto history = full_history();
    for (auto _ : state) {
        benchmark::DoNotOptimize(write_history(history));
    }
}
BENCHMARK(BM_SerializeHistory5000)->Unit(benchmark::kMillisecond);

// The whole write as the periodic flush does it: text, temporary file, flush to disk, rename.
void BM_FlushHistory5000(benchmark::State& state) {
    BenchFolder folder;
    Store store = load_store(folder.path() / "com.halbrin.corvane");
    store.history = full_history();
    for (auto _ : state) {
        store.history_dirty = true;
        flush_store(store);
        if (store.history_dirty) {
            state.SkipWithError("history was not written");
        }
    }
}
BENCHMARK(BM_FlushHistory5000)->Unit(benchmark::kMillisecond);

} // namespace
