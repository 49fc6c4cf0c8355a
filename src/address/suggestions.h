#pragma once

// Ranking of bookmarks and history against what the user is typing, and the display forms the
// suggestion rows and panels share.

#include "store/store.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct ScoredSuggestion {
    std::string url;
    std::string title;
    bool bookmarked = false; // a bookmark with this URL matched
    double score = 0.0;

    bool operator==(const ScoredSuggestion&) const = default;
};

// The bookmarks and history entries matching `query`, best first, at most `limit`. Bookmarks
// get a bonus of 2; history adds ln(1 + visits) scaled by a recency that halves after a week.
// Equal scores keep the order in which entries were first matched (bookmarks, then history).
std::vector<ScoredSuggestion> score_suggestions(const Store& store, std::string_view query,
                                                std::size_t limit);

// How well a URL or title matches an already lower-cased query: 3 when the URL (without
// "https://", "http://" and "www.") begins with it, 1.5 when the URL contains it, 1 when the
// title does; none otherwise.
std::optional<double> history_match_score(std::string_view lowered_query, std::string_view url,
                                          std::string_view title);

// The URL as rows show it: without the leading scheme and "www.", without one final "/", cut
// to 90 characters.
std::string display_url(std::string_view url);

// "https://HOST/favicon.ico" for an https URL; none for other schemes and unparsable text.
std::optional<std::string> default_favicon_url(std::string_view url);

} // namespace corvane
