// Scoring of bookmarks and history against the typed text, the display forms, and the rows and
// completion answering the address field, checked as the JSON text the page gets.

#include "address/address_input.h"
#include "address/suggestion_rows.h"
#include "address/suggestions.h"

#include "json/compact_writer.h"
#include <cmath>
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

namespace corvane {
namespace {

constexpr std::uint64_t now = 1'700'000'000;
constexpr std::uint64_t week = 7 * 86400;

Store store_at(std::uint64_t clock_value, std::vector<HistoryEntry> history = {}) {
    Store store;
    store.clock = [clock_value] {
        return clock_value;
    };
    store.history = std::move(history);
    return store;
}

std::string times(std::string_view text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += text;
    }
    return out;
}

TEST(HistoryMatchScore, PrefixThenUrlThenTitle) {
    const std::vector<std::tuple<const char*, const char*, const char*, std::optional<double>>>
        cases{
            {"exa", "HTTPS://WWW.EXAMPLE.COM/", "", 3.0},
            {"x", "https://https://http://www.www.x.com", "", 3.0},
            {"www.exa", "https://www.example.com/", "", 1.5},
            {"https", "https://example.com", "", 1.5},
            {"éco", "https://a.example", "ÉCOLE", 1.0},
            // Full lower-casing gives the final sigma at the end of a word.
            {"σ", "https://a.example", "ΟΔΟΣ", std::nullopt},
            {"ς", "https://a.example", "ΟΔΟΣ", 1.0},
            {"zzz", "https://a.example", "Title", std::nullopt},
        };
    for (const auto& [query, url, title, score] : cases) {
        EXPECT_EQ(history_match_score(query, url, title), score) << query << " " << url;
    }
}

TEST(ScoreSuggestions, RecencyVisitsBookmarksLimitAndStableOrder) {
    Store store = store_at(now, {{"https://fresh.example/", "", 1, now},
                                 {"https://week.example/", "", 1, now - week},
                                 {"https://future.example/", "", 1, now + 1000},
                                 {"https://many.example/", "", 99, now - 2 * week},
                                 {"https://never.example/", "", 0, now},
                                 {"https://both.example/", "History title", 1, now},
                                 {"https://a.example/news", "", 1, now}});
    store.bookmarks = {{"https://both.example/", "Bookmark title", 1},
                       {"https://b.example/", "News", 1}};
    const double fresh = 3.0 + std::log(2.0);
    // A bookmark adds 2 to its match and merges with the history entry of its URL.
    for (const auto& [query, score] : std::vector<std::pair<const char*, double>>{
             {"fresh", fresh},
             {"week", 3.0 + 0.5 * std::log(2.0)},
             {"future", fresh},
             {"many", 3.0 + std::log(100.0) / 3.0},
             {"never", 3.0},
             {"both", std::max(5.0, fresh) + 0.5 * fresh}}) {
        const auto found = score_suggestions(store, query, 6);
        ASSERT_EQ(found.size(), 1U) << query;
        EXPECT_DOUBLE_EQ(found[0].score, score) << query;
    }
    EXPECT_EQ(score_suggestions(store, "both", 6)[0].title, "Bookmark title");
    // A title-only bookmark (1 + 2) beats a fresh URL-contains history match (1.5 + ln 2).
    const auto news = score_suggestions(store, "news", 6);
    ASSERT_EQ(news.size(), 2U);
    EXPECT_EQ(news[0], (ScoredSuggestion{"https://b.example/", "News", true, 3.0}));
    EXPECT_DOUBLE_EQ(news[1].score, 1.5 + std::log(2.0));

    store = store_at(now);
    for (int i = 0; i < 10; ++i) {
        store.history.push_back({"https://site" + std::to_string(i) + ".example/", "", 1, now});
    }
    EXPECT_EQ(score_suggestions(store, "  SITE\u3000", 6).size(), 6U);
    EXPECT_EQ(score_suggestions(store, "site", 0).size(), 0U);
    EXPECT_TRUE(score_suggestions(store, " \t ", 6).empty());
    // Bookmarks score 1 + 2 and come first, a later bookmark of a URL replacing the earlier; the
    // two history entries tie at 1.5 and keep their order.
    store.bookmarks = {{"https://z.example/", "t", 1},
                       {"https://y.example/", "t", 1},
                       {"https://y.example/", "later", 2}};
    store.history = {{"https://c.example/t", "", 0, now}, {"https://b.example/t", "", 0, now}};
    std::vector<std::string> order;
    for (const auto& found : score_suggestions(store, "t", 6)) {
        order.push_back(found.url + " " + found.title);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"https://z.example/ t", "https://y.example/ later",
                                               "https://c.example/t ", "https://b.example/t "}));
}

TEST(DisplayForms, DefaultFavicons) {
    for (const auto& [url, icon] : std::vector<std::pair<const char*, std::optional<std::string>>>{
             {"http://example.com/", std::nullopt},
             {"https://example.com:8443/a/b?c", "https://example.com/favicon.ico"},
             {"https://[::1]/", "https://[::1]/favicon.ico"},
             {"https://A.b-c.Example./x", "https://a.b-c.example./favicon.ico"},
             {"https://0x7f.1/", "https://127.0.0.1/favicon.ico"},
             {"not a url", std::nullopt}}) {
        EXPECT_EQ(default_favicon_url(url), icon) << url;
    }
}

// The rows and completion as the JSON text the page gets.
std::string answer_text(const Store& store, std::string_view text, bool complete) {
    const SuggestionAnswer answer = build_suggestions(store, text, complete);
    return json::write_compact(answer.completion_json()) + " " + json::write_compact(answer.rows);
}

TEST(SuggestionRows, CompletionDirectBookmarkHistoryAndSearchRows) {
    // The completion row of a typed prefix is checked where the core answers the page.
    // Without completion a typed host gets a direct row and a search row; the history entry of
    // the direct row's URL gets none. The direct row opens what was typed, which the browser
    // turns to https with its fallback to http.
    Store store = store_at(now, {{"https://example.com/", "", 1, now}});
    store.settings.search_engine = "kagi";
    EXPECT_EQ(answer_text(store, " example.com ", false),
              R"(null [{"display":"","kind":"url","title":"example.com",)"
              R"("url":"http://example.com/"},)"
              R"({"engine":"Kagi","kind":"search","text":"? example.com","title":"example.com",)"
              R"("url":"https://kagi.com/search?q=example.com"}])");
    for (const auto& [text, complete] :
         {std::pair{"exam", false}, {"exam ple", true}, {"zzz", true}}) {
        EXPECT_EQ(build_suggestions(store, text, complete).completion, std::nullopt) << text;
    }
    // Bookmarks and history entries with empty titles; only a search row when nothing matches.
    store = store_at(now, {{"https://www.news.example/today/", "", 1, now}});
    store.bookmarks = {{"https://news.example/", "News", 1}};
    EXPECT_EQ(answer_text(store, "news", false),
              R"(null [{"engine":"DuckDuckGo","kind":"search","text":"news","title":"news"},)"
              R"({"display":"news.example","kind":"bookmark","title":"News",)"
              R"("url":"https://news.example/"},)"
              R"({"display":"news.example/today","kind":"history","title":"news.example/today",)"
              R"("url":"https://www.news.example/today/"}])");
    EXPECT_EQ(answer_text(store, "   ", true),
              R"(null [{"engine":"DuckDuckGo","kind":"search","text":"","title":""}])");
    EXPECT_EQ(answer_text(store, "javascript:alert(1)", false),
              R"x(null [{"engine":"DuckDuckGo","kind":"search",)x"
              R"x("text":"javascript:alert(1)","title":"javascript:alert(1)"}])x");
    // A long search shows its first 512 characters and searches for all of them.
    const std::string long_query = times("é", 600);
    const auto cut = build_suggestions(store, long_query, false).rows;
    ASSERT_EQ(cut.size(), 1U);
    EXPECT_EQ(std::pair(cut[0]["title"], cut[0]["text"]),
              std::pair(nlohmann::json(long_query.substr(0, 1024)), nlohmann::json(long_query)));
}

// What the first rows open and show: the whole typed text up to the typed-text limit, invisible
// characters of a URL escaped, pasted line breaks settled as opening settles them.
TEST(SuggestionRows, TheFirstRowsOpenTheWholeTextAndShowWhatLoads) {
    const Store store = store_at(now);
    const std::string path = "https://bank.test/sign-in?token=" + times("t", 568);
    const std::string at_limit = "https://bank.test/?t=" + times("t", kMaxTypedBytes - 21);
    const std::string shown_cut = path.substr(0, 512);
    // typed text, the first row's kind, title, url (or text for a plain search row)
    for (const auto& [typed, kind, title, opens] :
         std::initializer_list<std::tuple<std::string, const char*, std::string, std::string>>{
             {path, "url", shown_cut, path},
             {at_limit, "url", at_limit.substr(0, 512), at_limit},
             {at_limit + "t", "search", at_limit.substr(0, 512), at_limit + "t"},
             {"a.test/page/\u202Egnp.exe", "url", "a.test/page/%E2%80%AEgnp.exe",
              "http://a.test/page/%E2%80%AEgnp.exe"},
             {"hello \u202Eworld", "search", "hello \u202Eworld", "hello \u202Eworld"},
             {"hello\r\nworld", "search", "hello world", "hello world"},
             {"https://bank.test/a\n  b", "url", "https://bank.test/ab", "https://bank.test/ab"}}) {
        SCOPED_TRACE(typed.substr(0, 40));
        const nlohmann::json row = build_suggestions(store, typed, true).rows.at(0);
        EXPECT_EQ(std::tuple(row["kind"], row["title"], row.value("url", row.value("text", ""))),
                  std::tuple(nlohmann::json(kind), nlohmann::json(title), nlohmann::json(opens)));
    }
    // The search row under a long address searches for all of it.
    const nlohmann::json search = build_suggestions(store, path, false).rows.at(1);
    EXPECT_EQ(search["url"], "https://duckduckgo.com/?q=" +
                                 std::string("https%3A%2F%2Fbank.test%2Fsign-in%3Ftoken%3D") +
                                 times("t", 568));
}

TEST(SuggestionRows, CompletionKeepsSchemeHostAndPortSkipsOtherEntriesAndStopsAtEight) {
    Store store = store_at(now, {{"not a url loc", "", 50, now},
                                 {"https://other.example/loc", "", 40, now},
                                 {"http://localhost:3000/app", "App", 1, now}});
    const SuggestionAnswer answer = build_suggestions(store, "LOC", true);
    EXPECT_EQ(answer.completion, "localhost:3000");
    ASSERT_EQ(answer.rows.size(), 5U);
    EXPECT_EQ(answer.rows[0]["url"], "http://localhost:3000/");
    // The unparsable entry still gets a row, shown by its text.
    EXPECT_EQ(json::write_compact(answer.rows[2]),
              R"({"display":"not a url loc","kind":"history","title":"not a url loc",)"
              R"("url":"not a url loc"})");
    EXPECT_EQ(answer.rows[4]["url"], "http://localhost:3000/app");
    // Typed text up to and into the port completes to the port visited; a default port is
    // not written; another port typed completes nothing.
    store = store_at(now, {{"http://localhost:3000/app", "", 1, now},
                           {"https://www.shop.example:8443/cart", "", 1, now},
                           {"https://plain.example:443/", "", 1, now}});
    for (const auto& [typed, completion, url] :
         std::vector<std::tuple<const char*, std::optional<std::string>, const char*>>{
             {"localhost:", "localhost:3000", "http://localhost:3000/"},
             {"localhost:30", "localhost:3000", "http://localhost:3000/"},
             {"localhost:4", std::nullopt, ""},
             {"shop.example:", "shop.example:8443", "https://www.shop.example:8443/"},
             {"www.shop", "www.shop.example:8443", "https://www.shop.example:8443/"},
             {"plain", "plain.example", "https://plain.example/"}}) {
        const SuggestionAnswer found = build_suggestions(store, typed, true);
        EXPECT_EQ(found.completion, completion) << typed;
        if (completion) {
            EXPECT_EQ(found.rows[0]["url"], url) << typed;
        }
    }
    store = store_at(now);
    for (int i = 0; i < 12; ++i) {
        store.history.push_back({"https://shop" + std::to_string(i) + ".example/p", "", 1, now});
    }
    // Completion row, search row, then the six scored entries.
    const SuggestionAnswer completed = build_suggestions(store, "shop", true);
    ASSERT_EQ(completed.rows.size(), 8U);
    EXPECT_EQ(completed.rows[0]["url"], "https://shop0.example/");
    EXPECT_EQ(completed.rows[7]["url"], "https://shop5.example/p");
}

} // namespace
} // namespace corvane
