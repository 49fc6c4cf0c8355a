#include "store/history.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

class History : public ::testing::Test {
protected:
    History() {
        store_.clock = [this] {
            return now_;
        };
    }

    // n entries "https://e{i}.test/" with last = 1000 + i.
    void fill(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            store_.history.push_back({"https://e" + std::to_string(i) + ".test/", "", 1, 1000 + i});
        }
    }

    Store store_;
    std::uint64_t now_ = 50000;
};

TEST_F(History, OnlyLowerCaseHttpAndHttpsUrlsAreRecorded) {
    for (const char* url : {"corvane://newtab/", "about:blank", "file:///etc/hosts",
                            "ftp://a.test/", "HTTPS://a.test/", "Http://a.test/", "https:/a", ""}) {
        SCOPED_TRACE(url);
        record_visit(store_, url, "T");
        EXPECT_TRUE(store_.history.empty());
        EXPECT_FALSE(store_.history_dirty);
    }
    record_visit(store_, "http://", "");
    record_visit(store_, "https://a.test/", "");
    EXPECT_EQ(store_.history.size(), 2u);
    EXPECT_TRUE(store_.history_dirty);
}

TEST_F(History, RevisitBumpsTheEntryInPlace) {
    record_visit(store_, "https://a.test/", "First");
    record_visit(store_, "https://b.test/", "B");
    now_ = 60000;
    record_visit(store_, "https://a.test/", "");
    EXPECT_EQ(store_.history[0], (HistoryEntry{"https://a.test/", "First", 2, 60000}));
    record_visit(store_, "https://a.test/", "Second");
    EXPECT_EQ(store_.history[0].title, "Second");
    EXPECT_EQ(store_.history[0].visits, 3u);
    EXPECT_EQ(store_.history[1].url, "https://b.test/");
}

TEST_F(History, VisitCountStopsAtItsMaximum) {
    store_.history.push_back({"https://a.test/", "", 4294967295u, 1});
    record_visit(store_, "https://a.test/", "");
    EXPECT_EQ(store_.history[0].visits, 4294967295u);
    EXPECT_EQ(store_.history[0].last, now_);
}

TEST_F(History, BelowTheCapNothingIsSorted) {
    fill(kHistoryCap - 1);
    std::swap(store_.history[0], store_.history[1]);
    record_visit(store_, "https://new.test/", "");
    ASSERT_EQ(store_.history.size(), kHistoryCap);
    EXPECT_EQ(store_.history[0].url, "https://e1.test/");
    EXPECT_EQ(store_.history.back().url, "https://new.test/");
}

TEST_F(History, AtTheCapANewUrlSortsNewestFirstAndDropsTheOldest) {
    fill(kHistoryCap);
    record_visit(store_, "https://new.test/", "");
    ASSERT_EQ(store_.history.size(), kHistoryCap);
    EXPECT_EQ(store_.history.front().url, "https://new.test/");
    EXPECT_EQ(store_.history[1].url, "https://e4999.test/");
    EXPECT_EQ(store_.history.back().url, "https://e1.test/");
    EXPECT_TRUE(std::is_sorted(store_.history.begin(), store_.history.end(),
                               [](const auto& a, const auto& b) { return a.last > b.last; }));
}

TEST_F(History, CapSortIsStableAndCutsLaterEntriesAmongEqualTimes) {
    for (std::size_t i = 0; i < kHistoryCap; ++i) {
        store_.history.push_back({"https://e" + std::to_string(i) + ".test/", "", 1, 7});
    }
    now_ = 7;
    record_visit(store_, "https://new.test/", "");
    ASSERT_EQ(store_.history.size(), kHistoryCap);
    EXPECT_EQ(store_.history.front().url, "https://e0.test/");
    EXPECT_EQ(store_.history.back().url, "https://e4999.test/");
}

TEST_F(History, LongerListFromTheFileIsCutOnlyByTheNextNewUrl) {
    fill(6000);
    record_visit(store_, "https://e10.test/", "");
    EXPECT_EQ(store_.history.size(), 6000u);
    EXPECT_EQ(store_.history[10].visits, 2u);
    now_ += 1;
    record_visit(store_, "https://new.test/", "");
    ASSERT_EQ(store_.history.size(), kHistoryCap);
    EXPECT_EQ(store_.history[0].url, "https://new.test/");
    EXPECT_EQ(store_.history[1].url, "https://e10.test/");
    EXPECT_EQ(store_.history.back().url, "https://e1002.test/");
}

TEST_F(History, SetTitleChangesOnlyAnExistingEntryWithADifferentTitle) {
    set_history_title(store_, "https://a.test/", "T");
    EXPECT_TRUE(store_.history.empty());
    EXPECT_FALSE(store_.history_dirty);

    store_.history.push_back({"https://a.test/", "T", 3, 9});
    set_history_title(store_, "https://a.test/", "T");
    EXPECT_FALSE(store_.history_dirty);
    set_history_title(store_, "https://a.test/", "");
    EXPECT_EQ(store_.history[0], (HistoryEntry{"https://a.test/", "", 3, 9}));
    EXPECT_TRUE(store_.history_dirty);
}

TEST_F(History, ClearAlwaysMarksTheHistory) {
    clear_history(store_);
    EXPECT_TRUE(store_.history_dirty);
    fill(3);
    clear_history(store_);
    EXPECT_TRUE(store_.history.empty());
}

TEST(Bookmarks, ToggleAddsThenRemovesAndAlwaysMarks) {
    Store store;
    store.clock = [] {
        return std::uint64_t{77};
    };
    store.bookmarks.push_back({"https://keep.test/", "K", 1});
    EXPECT_TRUE(toggle_bookmark(store, "not even a url", "T"));
    EXPECT_EQ(store.bookmarks.back(), (Bookmark{"not even a url", "T", 77}));
    store.bookmarks_dirty = false;
    EXPECT_FALSE(toggle_bookmark(store, "not even a url", "other"));
    EXPECT_TRUE(store.bookmarks_dirty);
    EXPECT_EQ(store.bookmarks, (std::vector<Bookmark>{{"https://keep.test/", "K", 1}}));
}

TEST(Bookmarks, ToggleRemovesTheFirstDuplicateAndRemoveRemovesAll) {
    Store store;
    store.bookmarks = {{"u", "1", 1}, {"v", "2", 2}, {"u", "3", 3}};
    EXPECT_FALSE(toggle_bookmark(store, "u", ""));
    EXPECT_EQ(store.bookmarks, (std::vector<Bookmark>{{"v", "2", 2}, {"u", "3", 3}}));

    store.bookmarks = {{"u", "1", 1}, {"v", "2", 2}, {"u", "3", 3}};
    store.bookmarks_dirty = false;
    remove_bookmark(store.bookmarks, "u");
    EXPECT_EQ(store.bookmarks, (std::vector<Bookmark>{{"v", "2", 2}}));
    EXPECT_FALSE(store.bookmarks_dirty);
    remove_bookmark(store.bookmarks, "U");
    EXPECT_EQ(store.bookmarks.size(), 1u);
}

TEST(Allowlist, RemoveTakesEveryExactMatchAndKeepsOrder) {
    std::vector<std::string> allowlist{"a.test", "b.test", "a.test", "A.test", "c.test"};
    remove_from_allowlist(allowlist, "a.test");
    EXPECT_EQ(allowlist, (std::vector<std::string>{"b.test", "A.test", "c.test"}));
}

TEST(WallClock, SystemClockGivesSecondsSince1970) {
    EXPECT_GT(system_wall_clock(), 1'600'000'000u);
}

} // namespace
} // namespace corvane
