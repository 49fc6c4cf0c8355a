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

TEST_F(History, ANewUrlAtTheCapSortsNewestFirstStablyAndDropsTheLast) {
    fill(kHistoryCap - 1);
    std::swap(store_.history[0], store_.history[1]);
    record_visit(store_, "https://new.test/", "");
    EXPECT_EQ(url(0), "https://e1.test/") << "below the cap nothing is sorted";
    EXPECT_EQ(url(kHistoryCap - 1), "https://new.test/");
    now_ += 1;
    record_visit(store_, "https://newer.test/", "");
    ASSERT_EQ(store_.history.size(), kHistoryCap);
    EXPECT_EQ(url(0), "https://newer.test/");
    EXPECT_EQ(url(1), "https://new.test/");
    EXPECT_EQ(url(kHistoryCap - 1), "https://e1.test/");

    store_.history.clear();
    fill(kHistoryCap, 7);
    now_ = 7;
    record_visit(store_, "https://new.test/", "");
    EXPECT_EQ(url(0), "https://e0.test/");
    EXPECT_EQ(url(kHistoryCap - 1), "https://e4999.test/");
}

TEST_F(History, ALongerListFromTheFileIsCutOnlyByTheNextNewUrl) {
    fill(6000);
    record_visit(store_, "https://e10.test/", "");
    EXPECT_EQ(store_.history.size(), 6000u);
    now_ += 1;
    record_visit(store_, "https://new.test/", "");
    ASSERT_EQ(store_.history.size(), kHistoryCap);
    EXPECT_EQ(url(1), "https://e10.test/");
    EXPECT_EQ(url(kHistoryCap - 1), "https://e1002.test/");
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
    EXPECT_GT(system_wall_clock(), 1'600'000'000u);
}

LiveUrl answers(std::optional<std::string> url) {
    return [url] {
        return url;
    };
}

TEST(Session, LiveUrlsUnlessFailedOrBlankAndNoPrivateWindows) {
    const std::vector<SessionTabView> tabs = {
        {"https://stored.test/1", "Asleep", {}},
        {"https://stored.test/2", "Moved", answers("https://moved.test/")},
        {"https://stored.test/3", "Blank", answers("about:blank")},
        {"https://stored.test/4", "Empty", answers("")},
        {"https://stored.test/5", "Failed", answers(std::nullopt)},
        {"https://stored.test/6", "", answers("about:blank#x")},
    };
    EXPECT_EQ(session_tabs(tabs), (std::vector<SessionTab>{{"https://stored.test/1", "Asleep"},
                                                           {"https://moved.test/", "Moved"},
                                                           {"https://stored.test/3", "Blank"},
                                                           {"https://stored.test/4", "Empty"},
                                                           {"https://stored.test/5", "Failed"},
                                                           {"about:blank#x", ""}}));
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
