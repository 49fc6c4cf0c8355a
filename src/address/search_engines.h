#pragma once

// The search engines the address field can use, and search URLs built from their templates.

#include <array>
#include <string>
#include <string_view>

namespace corvane {

struct SearchEngine {
    std::string_view id;   // the value of the setting search_engine
    std::string_view name; // display name
    // An https URL with the placeholder "{q}" in its query.
    std::string_view url_template;
};

// The first row is the default wherever an id matches no row.
inline constexpr std::array<SearchEngine, 7> SEARCH_ENGINES{{
    {"duckduckgo", "DuckDuckGo", "https://duckduckgo.com/?q={q}"},
    {"google", "Google", "https://www.google.com/search?q={q}"},
    {"bing", "Bing", "https://www.bing.com/search?q={q}"},
    {"brave", "Brave Search", "https://search.brave.com/search?q={q}"},
    {"startpage", "Startpage", "https://www.startpage.com/do/search?q={q}"},
    {"ecosia", "Ecosia", "https://www.ecosia.org/search?q={q}"},
    {"kagi", "Kagi", "https://kagi.com/search?q={q}"},
}};

// The row whose id equals `id` byte for byte, else the first row.
const SearchEngine& search_engine_for(std::string_view id);

// The template of the row for `id` (the first row's for an unknown id).
std::string_view search_engine_url(std::string_view id);

// `url_template` with every "{q}" replaced by the form-encoded query.
std::string search_url(std::string_view url_template, std::string_view query);

} // namespace corvane
