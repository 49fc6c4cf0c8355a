#include "pages/newtab_snapshot.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>

namespace corvane {
namespace {

NewTabSnapshot sample() {
    NewTabSnapshot snapshot;
    snapshot.engine_template = "https://duckduckgo.com/?q={q}";
    snapshot.engine_name = "DuckDuckGo";
    snapshot.top_sites = {{"https://example.com/", "example.com"}};
    snapshot.bookmarks = {{"https://b.example/", "B"}, {"https://a.example/", "A"}};
    snapshot.shield = true;
    snapshot.https_only = true;
    return snapshot;
}

TEST(SharedNewTabSnapshot, CopyIsFieldByField) {
    SharedNewTabSnapshot shared(sample());
    EXPECT_EQ(shared.copy(), sample());
    EXPECT_EQ(newtab_snapshot_clone(sample()), sample());
    EXPECT_EQ(SharedNewTabSnapshot().copy(), NewTabSnapshot{});
}

TEST(SharedNewTabSnapshot, FailedRebuildLeavesThePreviousSnapshot) {
    SharedNewTabSnapshot shared(sample());
    EXPECT_THROW(shared.rebuild([]() -> NewTabSnapshot { throw std::runtime_error("ranking"); }),
                 std::runtime_error);
    EXPECT_EQ(shared.copy(), sample());
    // The lock was released: the next writer and reader go through.
    shared.rebuild([] { return NewTabSnapshot{}; });
    EXPECT_EQ(shared.copy(), NewTabSnapshot{});
}

TEST(SharedNewTabSnapshot, ReadersNeverSeeAHalfWrittenSnapshot) {
    SharedNewTabSnapshot shared(sample());
    NewTabSnapshot other;
    other.engine_name = "Kagi";
    other.shield = false;
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            shared.rebuild([&] { return i % 2 ? sample() : other; });
        }
    });
    for (int i = 0; i < 2000; ++i) {
        const auto seen = shared.copy();
        EXPECT_TRUE(seen == sample() || seen == other);
    }
    writer.join();
}

} // namespace
} // namespace corvane
