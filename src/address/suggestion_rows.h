#pragma once

// The answer to the address field's suggest message: the rows the chrome page shows under the
// field and the inline completion, built from the store.

#include "store/store.h"

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

inline constexpr std::size_t kMaxQueryCharacters = 512;
inline constexpr std::size_t kScoredSuggestionCount = 6;
inline constexpr std::size_t kMaxSuggestionRows = 8;

struct SuggestionAnswer {
    // An array of row objects (members in ascending key order).
    nlohmann::json rows = nlohmann::json::array();
    std::optional<std::string> completion;

    // The page call's second argument: the completion text, or null.
    nlohmann::json completion_json() const;
};

// Rows for the typed text `query`: a completion row (when `complete` asks for one and a matching
// host is found) or a direct-URL row with its search row, else a plain search row; then the
// scored bookmarks and history; at most eight rows.
SuggestionAnswer build_suggestions(const Store& store, std::string_view query, bool complete);

} // namespace corvane
