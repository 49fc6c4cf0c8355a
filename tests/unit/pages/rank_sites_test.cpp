#include "pages/rank_sites.h"

#include <gtest/gtest.h>
#include <vector>

namespace corvane {
namespace {

constexpr std::uint64_t kNow = 1'800'000'000;
constexpr std::uint64_t kDay = 86'400;

using Links = std::vector<NewTabLink>;

TEST(RankSites, PagesOfOneOriginAddUpWithHalfWeightAfterFourteenDays) {
    // 3 visits today and 1 visit 28 days ago: 3 + 1/3, above 33 visits 126 days ago (3.3).
    const std::vector<HistoryEntry> history{
        {"https://www.example.com/news/today", "News", 3, kNow},
        {"https://www.example.com/", "Home", 1, kNow - 28 * kDay},
        {"https://other.example/", "Other", 33, kNow - 126 * kDay},
        {"https://old.example/", "", 4, kNow - 14 * kDay}, // 2.0
        {"https://new.example/", "", 2, kNow - 1},         // just under 2.0
        {"not a url", "", 100, kNow},
        {"https://future.example/", "", 1, kNow + 10 * kDay}, // counts fully
    };
    EXPECT_EQ(rank_sites(history, 8, kNow), (Links{{"https://www.example.com/", "example.com"},
                                                   {"https://other.example/", "other.example"},
                                                   {"https://old.example/", "old.example"},
                                                   {"https://new.example/", "new.example"},
                                                   {"https://future.example/", "future.example"}}));
    EXPECT_EQ(rank_sites(history, 1, kNow).size(), 1u);
    EXPECT_TRUE(rank_sites(history, 0, kNow).empty());
    // Without a clock the plain visit counts rank.
    EXPECT_EQ(rank_sites(history, 1, std::nullopt)[0].url, "https://other.example/");
}

TEST(RankSites, NamesComeFromTheRootPageWithoutAnyLeadingWww) {
    const std::vector<HistoryEntry> history{
        {"https://www.www.twice.example/deep/page", "", 1, kNow},
        {"https://WWW.Upper.Example/x", "", 1, kNow - 400 * kDay},
        {"https://wwwx.example/", "", 1, kNow - 800 * kDay},
        {"http://example.com/a", "", 5, kNow - 5000 * kDay},
        {"https://example.com:8443/", "", 3, kNow - 5000 * kDay},
    };
    EXPECT_EQ(rank_sites(history, 8, kNow),
              (Links{{"https://www.www.twice.example/", "twice.example"},
                     {"https://www.upper.example/", "upper.example"},
                     {"https://wwwx.example/", "wwwx.example"},
                     {"http://example.com/", "example.com"},
                     {"https://example.com:8443/", "example.com"}}));
}

TEST(RankSites, EveryWritingOfOneOriginCountsForOneSite) {
    // b at 8.5 is above the https site unless all nine of its writings count.
    std::vector<HistoryEntry> history{{"https://a.example:99999/", "", 50, kNow},
                                      {"https://exa mple.com/", "", 50, kNow},
                                      {"http://a.example/", "", 1, kNow - 14 * kDay},
                                      {"https://b.example/", "", 17, kNow - 14 * kDay}};
    for (const char* url :
         {"https://a.example/", "HTTPS://A.Example/x", "https://a.example:443/y",
          "https://user:pw@a.example?q=1", "https://a.example#top", "https:a.example/z",
          "https:///a.example/z", " https://a.example/\t", "https://a.ex\tample/"}) {
        history.push_back({url, "", 1, kNow});
    }
    EXPECT_EQ(rank_sites(history, 8, kNow), (Links{{"https://a.example/", "a.example"},
                                                   {"https://b.example/", "b.example"},
                                                   {"http://a.example/", "a.example"}}));
}

} // namespace
} // namespace corvane
