// Scoring of bookmarks and history against the typed text, and the display forms.

#include "address/suggestions.h"

#include <cmath>
#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr std::uint64_t now = 1'700'000'000;
constexpr std::uint64_t week = 7 * 86400;

Store store_at(std::uint64_t clock_value) {
    Store store;
    store.clock = [clock_value] {
        return clock_value;
    };
    return store;
}

struct MatchCase {
    const char* query;
    const char* url;
    const char* title;
    std::optional<double> score;
};

TEST(HistoryMatchScore, PrefixThenUrlThenTitle) {
    const MatchCase cases[] = {
        {"exa", "https://www.example.com/", "", 3.0},
        {"exa", "HTTPS://WWW.EXAMPLE.COM/", "", 3.0},
        {"x", "https://https://http://www.www.x.com", "", 3.0},
        {"www.exa", "https://www.example.com/", "", 1.5},
        {"ample", "https://example.com", "", 1.5},
        {"https", "https://example.com", "", 1.5},
        {"title", "https://a.example", "My Title", 1.0},
        {"éco", "https://a.example", "ÉCOLE", 1.0},
        // Full lower-casing gives the final sigma at the end of a word.
        {"σ", "https://a.example", "ΟΔΟΣ", std::nullopt},
        {"ς", "https://a.example", "ΟΔΟΣ", 1.0},
        {"zzz", "https://a.example", "Title", std::nullopt},
        {"", "https://a.example", "", 3.0},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(history_match_score(c.query, c.url, c.title), c.score) << c.query << " " << c.url;
    }
}

TEST(ScoreSuggestions, RecencyAndVisitsFormula) {
    Store store = store_at(now);
    store.history = {
        {"https://fresh.example/", "", 1, now},
        {"https://week.example/", "", 1, now - week},
        {"https://future.example/", "", 1, now + 1000},
        {"https://many.example/", "", 99, now - 2 * week},
        {"https://never.example/", "", 0, now},
    };
    auto score_of = [&](const char* query) {
        std::vector<ScoredSuggestion> s = score_suggestions(store, query, 6);
        return s.size() == 1 ? s[0].score : -1.0;
    };
    EXPECT_DOUBLE_EQ(score_of("fresh"), 3.0 + std::log(2.0));
    EXPECT_NEAR(score_of("fresh"), 3.693, 0.001);
    EXPECT_DOUBLE_EQ(score_of("week"), 3.0 + 0.5 * std::log(2.0));
    EXPECT_DOUBLE_EQ(score_of("future"), 3.0 + std::log(2.0));
    EXPECT_DOUBLE_EQ(score_of("many"), 3.0 + std::log(100.0) / 3.0);
    EXPECT_DOUBLE_EQ(score_of("never"), 3.0);
}

TEST(ScoreSuggestions, ClockBefore1970MeansNoDecay) {
    Store store = store_at(0);
    store.history = {{"https://old.example/", "", 1, 1000}};
    std::vector<ScoredSuggestion> s = score_suggestions(store, "old", 6);
    ASSERT_EQ(s.size(), 1U);
    EXPECT_DOUBLE_EQ(s[0].score, 3.0 + std::log(2.0));
}

TEST(ScoreSuggestions, BookmarkBonusAndMergeWithHistory) {
    Store store = store_at(now);
    store.bookmarks = {
        {"https://a.example/", "Shop title", 1},
        {"https://both.example/", "Bookmark title", 1},
    };
    store.history = {
        {"https://shop.example/page", "", 1, now},
        {"https://both.example/", "History title", 1, now},
    };
    std::vector<ScoredSuggestion> shop = score_suggestions(store, "shop", 6);
    ASSERT_EQ(shop.size(), 2U);
    // A fresh prefix match in the history (3 + ln 2) beats a title-only bookmark (1 + 2).
    EXPECT_EQ(shop[0].url, "https://shop.example/page");
    EXPECT_EQ(shop[1], (ScoredSuggestion{"https://a.example/", "Shop title", true, 3.0}));

    std::vector<ScoredSuggestion> both = score_suggestions(store, "both", 6);
    ASSERT_EQ(both.size(), 1U);
    double b = 3.0 + 2.0;
    double h = 3.0 + std::log(2.0);
    EXPECT_EQ(both[0].title, "Bookmark title");
    EXPECT_TRUE(both[0].bookmarked);
    EXPECT_DOUBLE_EQ(both[0].score, std::max(b, h) + 0.5 * h);
}

TEST(ScoreSuggestions, TitleOnlyBookmarkBeatsUrlContainsHistory) {
    Store store = store_at(now);
    store.bookmarks = {{"https://a.example/", "News", 1}};
    store.history = {{"https://a.example/news", "", 1, now}, {"https://b.example/", "", 1, now}};
    std::vector<ScoredSuggestion> s = score_suggestions(store, "news", 6);
    ASSERT_EQ(s.size(), 2U);
    EXPECT_EQ(s[0].url, "https://a.example/");
    EXPECT_DOUBLE_EQ(s[0].score, 3.0);
    EXPECT_EQ(s[1].url, "https://a.example/news");
    EXPECT_DOUBLE_EQ(s[1].score, 1.5 + std::log(2.0));
}

TEST(ScoreSuggestions, QueryIsTrimmedAndLowerCasedAndLimitHolds) {
    Store store = store_at(now);
    for (int i = 0; i < 10; ++i) {
        store.history.push_back({"https://site" + std::to_string(i) + ".example/", "", 1, now});
    }
    EXPECT_EQ(score_suggestions(store, "  SITE\u3000", 6).size(), 6U);
    EXPECT_EQ(score_suggestions(store, "site", 3).size(), 3U);
    EXPECT_EQ(score_suggestions(store, "site", 0).size(), 0U);
    EXPECT_TRUE(score_suggestions(store, "", 6).empty());
    EXPECT_TRUE(score_suggestions(store, " \t ", 6).empty());
}

TEST(ScoreSuggestions, EqualScoresKeepFirstMatchOrder) {
    Store store = store_at(now);
    store.bookmarks = {{"https://z.example/", "t", 1}, {"https://y.example/", "t", 1}};
    store.history = {{"https://c.example/t", "", 0, now}, {"https://b.example/t", "", 0, now}};
    std::vector<ScoredSuggestion> s = score_suggestions(store, "t", 6);
    ASSERT_EQ(s.size(), 4U);
    // Bookmarks score 1 + 2 and come first; the two history entries tie at 1.5.
    EXPECT_EQ(s[0].url, "https://z.example/");
    EXPECT_EQ(s[1].url, "https://y.example/");
    EXPECT_EQ(s[2].url, "https://c.example/t");
    EXPECT_EQ(s[3].url, "https://b.example/t");
}

TEST(ScoreSuggestions, LaterBookmarkWithTheSameUrlReplacesTheEarlier) {
    Store store = store_at(now);
    store.bookmarks = {{"https://a.example/", "First", 1}, {"https://a.example/", "Second", 2}};
    std::vector<ScoredSuggestion> s = score_suggestions(store, "a.ex", 6);
    ASSERT_EQ(s.size(), 1U);
    EXPECT_EQ(s[0].title, "Second");
}

struct TextCase {
    std::string input;
    std::string expected;
};

TEST(DisplayUrl, StripsSchemeWwwAndOneSlash) {
    const TextCase cases[] = {
        {"https://www.example.com/", "example.com"},
        {"http://example.com/a/", "example.com/a"},
        {"https://", ""},
        {"/", ""},
        {"https://a.example//", "a.example/"},
        {"HTTPS://x.example/", "HTTPS://x.example"},
        {"https://www.www.a.example", "a.example"},
        {"ftp://a.example/", "ftp://a.example"},
        {"https://" + std::string(200, 'a'), std::string(90, 'a')},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(display_url(c.input), c.expected) << c.input;
    }
    std::string accents;
    for (int i = 0; i < 100; ++i) {
        accents += "é";
    }
    std::string expected;
    for (int i = 0; i < 90; ++i) {
        expected += "é";
    }
    EXPECT_EQ(display_url("https://" + accents), expected);
}

TEST(DefaultFaviconUrl, HttpsHostsOnly) {
    EXPECT_EQ(default_favicon_url("http://example.com/"), std::nullopt);
    EXPECT_EQ(default_favicon_url("https://example.com:8443/a/b?c"),
              "https://example.com/favicon.ico");
    EXPECT_EQ(default_favicon_url("https://[::1]/"), "https://[::1]/favicon.ico");
    EXPECT_EQ(default_favicon_url("https://A.b-c.Example./x"),
              "https://a.b-c.example./favicon.ico");
    EXPECT_EQ(default_favicon_url("https://0x7f.1/"), "https://127.0.0.1/favicon.ico");
    EXPECT_EQ(default_favicon_url("not a url"), std::nullopt);
    EXPECT_EQ(default_favicon_url("about:blank"), std::nullopt);
}

} // namespace
} // namespace corvane
