#include "pages/rank_sites.h"

#include <gtest/gtest.h>
#include <vector>

namespace corvane {
namespace {

constexpr std::uint64_t kNow = 1'800'000'000;
constexpr std::uint64_t kDay = 86'400;

using Links = std::vector<NewTabLink>;

TEST(RankSites, PagesOfOneOriginAddUpWithDecay) {
    // 3 visits today and 1 visit 28 days ago: 3 + 1/3, ranked above a site at 3.3.
    const std::vector<HistoryEntry> history{
        {"https://www.example.com/news/today", "News", 3, kNow},
        {"https://www.example.com/", "Home", 1, kNow - 28 * kDay},
        {"https://other.example/", "Other", 33, kNow - 126 * kDay}, // 33 / 10 = 3.3
    };
    EXPECT_EQ(rank_sites(history, 8, kNow), (Links{{"https://www.example.com/", "example.com"},
                                                   {"https://other.example/", "other.example"}}));
    EXPECT_EQ(rank_sites(history, 1, kNow), (Links{{"https://www.example.com/", "example.com"}}));
    EXPECT_TRUE(rank_sites(history, 0, kNow).empty());
}

TEST(RankSites, HalfWeightAfterFourteenDays) {
    const std::vector<HistoryEntry> history{
        {"https://old.example/", "", 4, kNow - 14 * kDay}, // 2.0
        {"https://new.example/", "", 2, kNow - 1},         // just under 2.0
    };
    EXPECT_EQ(rank_sites(history, 8, kNow)[0].url, "https://old.example/");
}

TEST(RankSites, SchemesAndPortsAreSeparateSitesWithTheSameName) {
    const std::vector<HistoryEntry> history{
        {"http://example.com/a", "", 5, kNow},
        {"https://example.com/b", "", 4, kNow},
        {"https://example.com:8443/", "", 3, kNow},
    };
    EXPECT_EQ(rank_sites(history, 8, kNow), (Links{{"http://example.com/", "example.com"},
                                                   {"https://example.com/", "example.com"},
                                                   {"https://example.com:8443/", "example.com"}}));
}

TEST(RankSites, NamesComeFromTheRootPageAndLoseEveryLeadingWww) {
    const std::vector<HistoryEntry> history{
        {"https://www.www.twice.example/deep/page", "", 1, kNow},
        {"https://www.www.twice.example/", "", 1, kNow},
        {"https://WWW.Upper.Example/x", "", 1, kNow - 400 * kDay},
        {"https://wwwx.example/", "", 1, kNow - 800 * kDay},
    };
    const auto ranked = rank_sites(history, 8, kNow);
    ASSERT_EQ(ranked.size(), 3u);
    EXPECT_EQ(ranked[0], (NewTabLink{"https://www.www.twice.example/", "twice.example"}));
    EXPECT_EQ(ranked[1], (NewTabLink{"https://www.upper.example/", "upper.example"}));
    EXPECT_EQ(ranked[2], (NewTabLink{"https://wwwx.example/", "wwwx.example"}));
}

TEST(RankSites, UnparsableEntriesAreSkippedAndFutureVisitsCountFully) {
    const std::vector<HistoryEntry> history{
        {"not a url", "", 100, kNow},
        {"", "", 100, kNow},
        {"https://future.example/", "", 2, kNow + 10 * kDay},
        {"https://past.example/", "", 3, kNow - 14 * kDay},
    };
    EXPECT_EQ(rank_sites(history, 8, kNow), (Links{{"https://future.example/", "future.example"},
                                                   {"https://past.example/", "past.example"}}));
}

TEST(RankSites, EveryWritingOfOneOriginCountsForOneSite) {
    const std::vector<HistoryEntry> history{
        {"https://a.example/", "", 1, kNow},
        {"HTTPS://A.Example/x", "", 1, kNow},
        {"https://a.example:443/y", "", 1, kNow},
        {"https://user:pw@a.example?q=1", "", 1, kNow},
        {"https://a.example#top", "", 1, kNow},
        {"https:a.example/z", "", 1, kNow},
        {"https:///a.example/z", "", 1, kNow},
        {" https://a.example/\t", "", 1, kNow},
        {"https://a.ex\tample/", "", 1, kNow},
        {"https://a.example:99999/", "", 50, kNow},
        {"https://exa mple.com/", "", 50, kNow},
        {"http://a.example/", "", 1, kNow - 14 * kDay},
        // 8.5: above the https site unless all nine of its writings counted.
        {"https://b.example/", "", 17, kNow - 14 * kDay},
    };
    EXPECT_EQ(rank_sites(history, 8, kNow), (Links{{"https://a.example/", "a.example"},
                                                   {"https://b.example/", "b.example"},
                                                   {"http://a.example/", "a.example"}}));
}

TEST(RankSites, ClockBefore1970UsesPlainVisitCounts) {
    const std::vector<HistoryEntry> history{
        {"https://recent.example/", "", 2, kNow},
        {"https://ancient.example/", "", 3, 0},
    };
    EXPECT_EQ(rank_sites(history, 8, std::nullopt)[0].url, "https://ancient.example/");
    EXPECT_EQ(rank_sites(history, 8, kNow)[0].url, "https://recent.example/");
}

} // namespace
} // namespace corvane
