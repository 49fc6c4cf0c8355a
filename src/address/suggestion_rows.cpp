#include "address/suggestion_rows.h"

#include "address/address_input.h"
#include "address/search_engines.h"
#include "address/suggestions.h"
#include "address/unicode_text.h"
#include "address/url_classify.h"
#include "url/url.h"

#include <vector>

namespace corvane {
namespace {

struct Completion {
    std::string text;
    std::string url;
};

// The first scored entry whose host (or host without "www."), with the port it was visited on,
// begins with the typed text. The port is kept: without it the completion opens another server.
std::optional<Completion> find_completion(const std::vector<ScoredSuggestion>& scored,
                                          std::string_view typed) {
    for (const ScoredSuggestion& item : scored) {
        std::optional<Url> url = Url::parse(item.url);
        if (!url) {
            continue;
        }
        const std::string port = url->port() ? ":" + url->port_text() : "";
        const std::string host = url->hostname() + port;
        const std::string bare = std::string(strip_www(url->hostname())) + port;
        std::string text;
        if (host.starts_with(typed)) {
            text = host;
        } else if (bare.starts_with(typed)) {
            text = bare;
        } else {
            continue;
        }
        return Completion{std::move(text), url->scheme() + "://" + host + "/"};
    }
    return std::nullopt;
}

nlohmann::json url_row(std::string_view title, std::string_view url) {
    return {{"kind", "url"}, {"title", title}, {"url", url}, {"display", ""}};
}

nlohmann::json entry_row(const ScoredSuggestion& item) {
    std::string display = text::escape_invisible(display_url(item.url));
    return {{"kind", item.bookmarked ? "bookmark" : "history"},
            {"title", item.title.empty() ? display : item.title},
            {"url", item.url},
            {"display", display}};
}

bool has_row_for(const nlohmann::json& rows, const std::string& url) {
    for (const nlohmann::json& row : rows) {
        auto it = row.find("url");
        if (it != row.end() && *it == url) {
            return true;
        }
    }
    return false;
}

} // namespace

nlohmann::json SuggestionAnswer::completion_json() const {
    return completion ? nlohmann::json(*completion) : nlohmann::json(nullptr);
}

SuggestionAnswer build_suggestions(const Store& store, std::string_view query, bool complete) {
    // The whole text opens (within the typed-text limit); only scoring and the rows' titles take
    // its first characters.
    const std::string settled = settle_line_breaks(query);
    std::string_view q = text::first_characters(settled, kMaxQueryCharacters);
    const SearchEngine& engine = search_engine_for(store.settings.search_engine);
    std::vector<ScoredSuggestion> scored = score_suggestions(store, q, kScoredSuggestionCount);
    std::string_view trimmed = text::trim_white_space(q);
    std::string_view whole = text::trim_white_space(settled);
    std::string typed = text::to_lower(trimmed);
    SuggestionAnswer answer;
    if (complete && typed.find(' ') == std::string::npos && !scored.empty()) {
        if (std::optional<Completion> found = find_completion(scored, typed)) {
            answer.rows.push_back(url_row(found->text, found->url));
            answer.completion = std::move(found->text);
        }
    }
    ResolvedInput resolved = resolve_input(settled, engine.url_template);
    if (resolved.kind == ResolvedInput::Kind::Url && !answer.completion) {
        // An address the browser turns to https opens as typed: opening resolves it again, with
        // its fallback to http. It reads as it loads: invisible characters escaped.
        const std::string shown = text::escape_invisible(trimmed);
        answer.rows.push_back(url_row(
            shown, resolved.http_fallback.empty() ? resolved.text : resolved.http_fallback));
        answer.rows.push_back({{"kind", "search"},
                               {"title", shown},
                               {"text", "? " + shown},
                               {"url", search_url(engine.url_template, whole)},
                               {"engine", engine.name}});
    } else {
        answer.rows.push_back(
            {{"kind", "search"}, {"title", trimmed}, {"text", whole}, {"engine", engine.name}});
    }
    for (const ScoredSuggestion& item : scored) {
        if (!has_row_for(answer.rows, item.url) &&
            (resolved.kind != ResolvedInput::Kind::Url || item.url != resolved.text)) {
            answer.rows.push_back(entry_row(item));
        }
    }
    if (answer.rows.size() > kMaxSuggestionRows) {
        answer.rows.erase(answer.rows.begin() + kMaxSuggestionRows, answer.rows.end());
    }
    return answer;
}

} // namespace corvane
