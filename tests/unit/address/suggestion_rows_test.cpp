// The rows and completion answering the address field, checked as the JSON text the page gets.

#include "address/suggestion_rows.h"

#include "json/compact_writer.h"
#include <gtest/gtest.h>

namespace corvane {
namespace {

constexpr std::uint64_t now = 1'700'000'000;

Store store_with_history(std::vector<HistoryEntry> history) {
    Store store;
    store.clock = [] {
        return now;
    };
    store.history = std::move(history);
    return store;
}

std::string rows_text(const SuggestionAnswer& answer) {
    return json::write_compact(answer.rows);
}

TEST(Suggestions, CompletionUsesTheBareHostAndReplacesTheDirectRow) {
    Store store = store_with_history({{"https://www.example.com/page", "Page", 3, now}});
    SuggestionAnswer answer = build_suggestions(store, "example.co", true);
    EXPECT_EQ(answer.completion, "example.com");
    EXPECT_EQ(json::write_compact(answer.completion_json()), "\"example.com\"");
    EXPECT_EQ(
        rows_text(answer),
        R"([{"display":"","kind":"url","title":"example.com","url":"https://www.example.com/"},)"
        R"({"engine":"DuckDuckGo","kind":"search","text":"example.co","title":"example.co"},)"
        R"({"display":"example.com/page","kind":"history","title":"Page",)"
        R"("url":"https://www.example.com/page"}])");
}

TEST(Suggestions, WithoutCompletionATypedHostGetsDirectAndSearchRows) {
    Store store = store_with_history({{"https://example.com/", "", 1, now}});
    store.settings.search_engine = "kagi";
    SuggestionAnswer answer = build_suggestions(store, " example.com ", false);
    EXPECT_EQ(answer.completion, std::nullopt);
    EXPECT_EQ(json::write_compact(answer.completion_json()), "null");
    // The history entry has the direct row's URL, so it gets no row of its own.
    EXPECT_EQ(rows_text(answer),
              R"([{"display":"","kind":"url","title":"example.com","url":"https://example.com/"},)"
              R"({"engine":"Kagi","kind":"search","text":"? example.com","title":"example.com",)"
              R"("url":"https://kagi.com/search?q=example.com"}])");
}

TEST(Suggestions, CompletionKeepsSchemeAndHostButNoPort) {
    Store store = store_with_history({{"http://localhost:3000/app", "App", 1, now}});
    SuggestionAnswer answer = build_suggestions(store, "loc", true);
    EXPECT_EQ(answer.completion, "localhost");
    ASSERT_EQ(answer.rows.size(), 3U);
    EXPECT_EQ(answer.rows[0]["url"], "http://localhost/");
    EXPECT_EQ(answer.rows[1]["kind"], "search");
    EXPECT_EQ(answer.rows[2]["url"], "http://localhost:3000/app");
}

TEST(Suggestions, CompletionWalkSkipsUnparsableAndNonMatchingEntries) {
    Store store = store_with_history({
        {"not a url exa", "", 50, now},
        {"https://other.example/exa", "", 40, now},
        {"https://www.exact.example/", "", 1, now},
    });
    SuggestionAnswer answer = build_suggestions(store, "EXA", true);
    EXPECT_EQ(answer.completion, "exact.example");
    EXPECT_EQ(answer.rows[0]["url"], "https://www.exact.example/");
    // The unparsable entry still gets a row, shown by its text.
    EXPECT_EQ(json::write_compact(answer.rows[2]),
              R"({"display":"not a url exa","kind":"history","title":"not a url exa",)"
              R"("url":"not a url exa"})");
}

TEST(Suggestions, NoCompletionWhenNotAskedOrTheTextHasASpace) {
    Store store = store_with_history({{"https://example.com/", "", 1, now}});
    EXPECT_EQ(build_suggestions(store, "exam", false).completion, std::nullopt);
    EXPECT_EQ(build_suggestions(store, "exam ple", true).completion, std::nullopt);
    EXPECT_EQ(build_suggestions(store, "zzz", true).completion, std::nullopt);
}

TEST(Suggestions, BookmarkRowsAndEmptyTitles) {
    Store store = store_with_history({{"https://www.news.example/today/", "", 1, now}});
    store.bookmarks = {{"https://news.example/", "News", 1}};
    SuggestionAnswer answer = build_suggestions(store, "news pages", false);
    // Only the title could match "news pages": nothing does, so one plain search row.
    EXPECT_EQ(
        rows_text(answer),
        R"([{"engine":"DuckDuckGo","kind":"search","text":"news pages","title":"news pages"}])");
    answer = build_suggestions(store, "news", false);
    EXPECT_EQ(json::write_compact(answer.rows[1]),
              R"({"display":"news.example","kind":"bookmark","title":"News",)"
              R"("url":"https://news.example/"})");
    EXPECT_EQ(json::write_compact(answer.rows[2]),
              R"({"display":"news.example/today","kind":"history","title":"news.example/today",)"
              R"("url":"https://www.news.example/today/"})");
}

TEST(Suggestions, AtMostEightRows) {
    std::vector<HistoryEntry> history;
    for (int i = 0; i < 12; ++i) {
        history.push_back({"https://shop" + std::to_string(i) + ".example/p", "", 1, now});
    }
    Store store = store_with_history(history);
    SuggestionAnswer completed = build_suggestions(store, "shop", true);
    EXPECT_EQ(completed.rows.size(), 8U);
    EXPECT_EQ(completed.completion, "shop0.example");
    // Completion row, search row, then the six scored entries.
    EXPECT_EQ(completed.rows[0]["url"], "https://shop0.example/");
    EXPECT_EQ(completed.rows[7]["url"], "https://shop5.example/p");
    SuggestionAnswer direct = build_suggestions(store, "shop1.example", false);
    EXPECT_LE(direct.rows.size(), 8U);
    EXPECT_EQ(direct.rows[0]["kind"], "url");
}

TEST(Suggestions, EmptyTextGivesOnePlainSearchRow) {
    Store store = store_with_history({{"https://example.com/", "", 1, now}});
    for (const char* q : {"", "   "}) {
        SuggestionAnswer answer = build_suggestions(store, q, true);
        EXPECT_EQ(rows_text(answer),
                  R"([{"engine":"DuckDuckGo","kind":"search","text":"","title":""}])");
        EXPECT_EQ(answer.completion, std::nullopt);
    }
}

TEST(Suggestions, RefusedTextStillGetsASearchRow) {
    Store store = store_with_history({});
    SuggestionAnswer answer = build_suggestions(store, "javascript:alert(1)", false);
    EXPECT_EQ(rows_text(answer),
              R"x([{"engine":"DuckDuckGo","kind":"search",)x"
              R"x("text":"javascript:alert(1)","title":"javascript:alert(1)"}])x");
}

TEST(Suggestions, QueryIsCutTo512Characters) {
    Store store = store_with_history({});
    std::string long_query;
    std::string cut;
    for (int i = 0; i < 600; ++i) {
        long_query += "é";
        if (i < 512) {
            cut += "é";
        }
    }
    SuggestionAnswer answer = build_suggestions(store, long_query, false);
    ASSERT_EQ(answer.rows.size(), 1U);
    EXPECT_EQ(answer.rows[0]["title"], cut);
    EXPECT_EQ(answer.rows[0]["text"], cut);
}

} // namespace
} // namespace corvane
