#include "store/history.h"
#include "store/session.h"

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

    // n entries "https://e{i}.test/" last visited at `last`, or 1000 + i without it.
    void fill(std::size_t n, std::optional<std::uint64_t> last = std::nullopt) {
        for (std::size_t i = 0; i < n; ++i) {
            store_.history.push_back(
                {"https://e" + std::to_string(i) + ".test/", "", 1, last.value_or(1000 + i)});
        }
    }
    const std::string& url(std::size_t at) const { return store_.history.at(at).url; }

    Store store_;
    std::uint64_t now_ = 50000;
};

TEST_F(History, OnlyLowerCaseHttpAndHttpsUrlsAreRecordedAndARevisitBumpsInPlace) {
    for (const char* refused : {"corvane://newtab/", "about:blank", "file:///etc/hosts",
                                "ftp://a.test/", "HTTPS://a.test/", "Http://a.test/", "https:/a"}) {
        record_visit(store_, refused, "T");
    }
    EXPECT_TRUE(store_.history.empty());
    EXPECT_FALSE(store_.history_dirty);
    record_visit(store_, "https://a.test/", "First");
    record_visit(store_, "http://", "");
    now_ = 60000;
    record_visit(store_, "https://a.test/", "");
    EXPECT_EQ(store_.history[0], (HistoryEntry{"https://a.test/", "First", 2, 60000}));
    record_visit(store_, "https://a.test/", "Second");
    EXPECT_EQ(store_.history[0].title, "Second");
    EXPECT_EQ(url(1), "http://");
    EXPECT_TRUE(store_.history_dirty);
    store_.history[1].visits = 4294967295u;
    record_visit(store_, "http://", "");
    EXPECT_EQ(store_.history[1].visits, 4294967295u) << "the count stops at its maximum";
}

// Each row: entries filled (last visited at 1000 + i, or all now), the URLs then visited, and the
// size and the first, second and last URLs after. From the cap on, a new URL sorts the list
// newest first, stably, and cuts it to the cap; below the cap, or on a revisit, nothing moves.
TEST_F(History, ANewUrlAtTheCapSortsNewestFirstStablyAndCuts) {
    struct Row {
        std::size_t filled;
        bool all_now;
        std::vector<const char*> visits;
        std::size_t size;
        std::vector<std::string> urls;
    };
    for (const auto& row :
         std::vector<Row>{{kHistoryCap - 1, false, {"new"}, kHistoryCap, {"e0", "e1", "new"}},
                          {kHistoryCap, false, {"new"}, kHistoryCap, {"new", "e4999", "e1"}},
                          {kHistoryCap, true, {"new"}, kHistoryCap, {"e0", "e1", "e4999"}},
                          {6000, false, {"e10"}, 6000, {"e0", "e1", "e5999"}},
                          {6000, false, {"e10", "new"}, kHistoryCap, {"e10", "new", "e1002"}}}) {
        SCOPED_TRACE(row.visits.back());
        store_.history.clear();
        fill(row.filled, row.all_now ? std::optional(now_) : std::nullopt);
        for (const char* visit : row.visits) {
            record_visit(store_, "https://" + std::string(visit) + ".test/", "");
        }
        ASSERT_EQ(store_.history.size(), row.size);
        const auto name = [&](std::size_t at) {
            return url(at).substr(8, url(at).size() - 14);
        };
        EXPECT_EQ((std::vector{name(0), name(1), name(row.size - 1)}), row.urls);
    }
}

TEST_F(History, TitlesChangeOnlyExistingEntriesAndClearAlwaysMarks) {
    set_history_title(store_, "https://a.test/", "T");
    EXPECT_TRUE(store_.history.empty());
    store_.history.push_back({"https://a.test/", "T", 3, 9});
    set_history_title(store_, "https://a.test/", "T");
    EXPECT_FALSE(store_.history_dirty);
    set_history_title(store_, "https://a.test/", "");
    EXPECT_EQ(store_.history[0], (HistoryEntry{"https://a.test/", "", 3, 9}));
    EXPECT_TRUE(store_.history_dirty);
    store_.history_dirty = false;
    clear_history(store_);
    EXPECT_TRUE(store_.history.empty() && store_.history_dirty);
}

TEST_F(History, BookmarksToggleAndAllowlistRemoval) {
    store_.bookmarks = {{"u", "1", 1}, {"v", "2", 2}, {"u", "3", 3}};
    EXPECT_FALSE(toggle_bookmark(store_, "u", "")) << "removes the first";
    EXPECT_TRUE(store_.bookmarks_dirty);
    EXPECT_EQ(store_.bookmarks, (std::vector<Bookmark>{{"v", "2", 2}, {"u", "3", 3}}));
    store_.bookmarks_dirty = false;
    EXPECT_TRUE(toggle_bookmark(store_, "not even a url", "T"));
    EXPECT_EQ(store_.bookmarks.back(), (Bookmark{"not even a url", "T", now_}));
    EXPECT_TRUE(store_.bookmarks_dirty);
    store_.bookmarks.push_back({"u", "4", 4});
    remove_bookmark(store_.bookmarks, "U");
    remove_bookmark(store_.bookmarks, "u");
    EXPECT_EQ(store_.bookmarks,
              (std::vector<Bookmark>{{"v", "2", 2}, {"not even a url", "T", now_}}));

    std::vector<std::string> allowlist{"a.test", "b.test", "a.test", "A.test", "c.test"};
    remove_from_allowlist(allowlist, "a.test");
    EXPECT_EQ(allowlist, (std::vector<std::string>{"b.test", "A.test", "c.test"}));
}

// A tab keeps its stored URL unless its live view answers with one that is not blank.
TEST(Session, LiveUrlsUnlessFailedOrBlankAndNoPrivateWindows) {
    std::vector<SessionTabView> tabs{{"https://stored.test/", "Asleep", {}}};
    std::vector<SessionTab> expected{{"https://stored.test/", "Asleep"}};
    for (const auto& [live, kept] : std::vector<std::pair<std::optional<std::string>, std::string>>{
             {"https://moved.test/", "https://moved.test/"},
             {"about:blank", "https://stored.test/"},
             {"", "https://stored.test/"},
             {std::nullopt, "https://stored.test/"},
             {"about:blank#x", "about:blank#x"}}) {
        tabs.push_back({"https://stored.test/", "", [live = live] {
                            return live;
                        }});
        expected.push_back({kept, ""});
    }
    EXPECT_EQ(session_tabs(tabs), expected);
    const std::vector<SessionWindowView> windows = {
        {false, {{"a", "A", {}}}, 0},
        {true, {{"secret", "S", {}}}, 0},
        {false, {}, 7},
        {false, {{"b", "B", {}}, {"c", "C", {}}}, 42},
    };
    EXPECT_EQ(
        collect_session_windows(windows),
        (std::vector<SessionWindow>{{{{"a", "A"}}, 0}, {{}, 7}, {{{"b", "B"}, {"c", "C"}}, 42}}));
    EXPECT_TRUE(collect_session_windows(std::span(windows).subspan(1, 1)).empty());
}

} // namespace
} // namespace corvane
