// Feeds arbitrary bytes to the address field's resolution and the classifiers that take
// page- or user-provided text. A resolved URL must be one the address field may open and must
// round-trip through the parser; a search must be the engine's URL; a refusal must carry one of
// the three reasons. The same bytes then drive the suggestion rows as typed text and as a
// stored history entry.
#include "address/address_input.h"
#include "address/navigation_policy.h"
#include "address/suggestion_rows.h"
#include "address/unicode_text.h"
#include "address/url_classify.h"

#include "json/compact_writer.h"
#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

using corvane::ResolvedInput;

constexpr std::array<std::string_view, 5> kOpenedSchemes{"http", "https", "about", "file",
                                                         "corvane"};

bool resolution_ok(std::string_view input) {
    const ResolvedInput r = corvane::resolve_input(input, "https://duckduckgo.com/?q={q}");
    const std::optional<corvane::Url> url = corvane::Url::parse(r.text);
    switch (r.kind) {
    case ResolvedInput::Kind::Blocked:
        return r.text == "empty" || r.text == "too long" || r.text == "blocked scheme";
    case ResolvedInput::Kind::Search:
        return r.text.starts_with("https://duckduckgo.com/?q=") && url;
    case ResolvedInput::Kind::Url:
        return url && url->href() == r.text &&
               std::ranges::count(kOpenedSchemes, url->scheme()) == 1;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    corvane::looks_like_host(input);
    corvane::is_local_host(input);
    corvane::security_state(input);
    corvane::display_host(input);
    corvane::is_external_scheme(input);
    corvane::is_blocked_url(input);
    corvane::chrome_navigation_filter(input);
    const std::optional<std::string> icon = corvane::favicon_url_ok(input);
    corvane::Store store;
    store.clock = [] {
        return std::uint64_t{1'700'000'000};
    };
    store.history = {{input, input, 3, 1'699'999'000},
                     {"https://www.example.com/", "Example", 1, 0}};
    store.bookmarks = {{input, "", 1}};
    const corvane::SuggestionAnswer answer = corvane::build_suggestions(store, input, true);
    corvane::json::write_compact(answer.rows);
    // What is shown escaped has nothing left to escape.
    const std::string shown = corvane::text::escape_invisible(input);
    if (!resolution_ok(input) || answer.rows.empty() ||
        corvane::text::escape_invisible(shown) != shown ||
        answer.rows.size() > corvane::kMaxSuggestionRows ||
        (icon && !icon->starts_with("https:") && !icon->starts_with("data:image/"))) {
        std::abort();
    }
    return 0;
}
