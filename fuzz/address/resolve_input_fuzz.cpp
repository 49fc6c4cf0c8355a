// Feeds arbitrary bytes to the address field's resolution and the classifiers that take
// page- or user-provided text. A resolved URL must be one the address field may open and must
// round-trip through the parser; a search must be the engine's URL; a refusal must carry one of
// the three reasons. The same bytes then drive the suggestion rows as typed text and as a
// stored history entry.

#include "address/address_input.h"
#include "address/navigation_policy.h"
#include "address/suggestion_rows.h"
#include "address/url_classify.h"
#include "url/url.h"

#include "json/compact_writer.h"
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::string_view url_template = "https://duckduckgo.com/?q={q}";

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void check_resolution(std::string_view input) {
    corvane::ResolvedInput r = corvane::resolve_input(input, url_template);
    switch (r.kind) {
    case corvane::ResolvedInput::Kind::Blocked:
        require(r.text == "empty" || r.text == "too long" || r.text == "blocked scheme");
        break;
    case corvane::ResolvedInput::Kind::Search:
        require(r.text.starts_with("https://duckduckgo.com/?q="));
        require(corvane::Url::parse(r.text).has_value());
        break;
    case corvane::ResolvedInput::Kind::Url: {
        std::optional<corvane::Url> url = corvane::Url::parse(r.text);
        require(url && url->href() == r.text);
        const std::string& scheme = url->scheme();
        require(scheme == "http" || scheme == "https" || scheme == "about" || scheme == "file" ||
                scheme == "corvane");
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    check_resolution(input);
    corvane::looks_like_host(input);
    corvane::is_local_host(input);
    corvane::security_state(input);
    corvane::display_host(input);
    if (std::optional<std::string> icon = corvane::favicon_url_ok(input)) {
        require(icon->starts_with("https:") || icon->starts_with("data:image/"));
    }
    corvane::is_external_scheme(input);
    corvane::is_blocked_url(input);
    corvane::chrome_navigation_filter(input);

    corvane::Store store;
    store.clock = [] {
        return std::uint64_t{1'700'000'000};
    };
    store.history = {{std::string(input), std::string(input), 3, 1'699'999'000},
                     {"https://www.example.com/", "Example", 1, 0}};
    store.bookmarks = {{std::string(input), "", 1}};
    corvane::SuggestionAnswer answer = corvane::build_suggestions(store, input, true);
    require(!answer.rows.empty() && answer.rows.size() <= corvane::kMaxSuggestionRows);
    corvane::json::write_compact(answer.rows);
    return 0;
}
