#include "address/suggestions.h"

#include "address/unicode_text.h"
#include "url/url.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace corvane {
namespace {

constexpr double kBookmarkBonus = 2.0;
constexpr double kSecondsPerWeek = 86400.0 * 7.0;
constexpr std::size_t kDisplayCharacters = 90;

std::string_view strip_repeated(std::string_view text, std::string_view prefix) {
    while (text.starts_with(prefix)) {
        text.remove_prefix(prefix.size());
    }
    return text;
}

std::string_view strip_url_prefixes(std::string_view url) {
    return strip_repeated(strip_repeated(strip_repeated(url, "https://"), "http://"), "www.");
}

bool is_ldh(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// The host of an https URL whose host is already a plain lower-case name: dot-separated labels
// of letters, digits and inner single hyphens, the last starting with a letter, followed by
// "/", "?", "#" or the end. Such a host parses to itself, so the panels and suggestions need no
// full parse for the common case; anything else (ports, numbers, IDNA, escapes) gets none here.
std::optional<std::string_view> plain_https_host(std::string_view url) {
    constexpr std::string_view scheme = "https://";
    if (!url.starts_with(scheme)) {
        return std::nullopt;
    }
    const std::size_t end = std::min(url.find_first_of("/?#", scheme.size()), url.size());
    const std::string_view host = url.substr(scheme.size(), end - scheme.size());
    const std::size_t last = host.rfind('.') + 1; // 0 without a dot
    const bool plain =
        !host.empty() && std::all_of(host.begin(), host.end(), is_ldh) &&
        host.find("..") == std::string_view::npos && host.find("--") == std::string_view::npos &&
        host.find(".-") == std::string_view::npos && host.find("-.") == std::string_view::npos &&
        host.front() != '.' && host.front() != '-' && host.back() != '-' && last < host.size() &&
        host[last] >= 'a' && host[last] <= 'z';
    return plain ? std::optional(host) : std::nullopt;
}

// Matches one query against many entries, reusing its lower-casing buffers.
class Matcher {
public:
    explicit Matcher(std::string_view lowered_query) : query_(lowered_query) {}

    std::optional<double> score(std::string_view url, std::string_view title) {
        text::to_lower_into(url, url_);
        if (strip_url_prefixes(url_).starts_with(query_)) {
            return 3.0;
        }
        if (url_.find(query_) != std::string::npos) {
            return 1.5;
        }
        text::to_lower_into(title, title_);
        if (title_.find(query_) != std::string::npos) {
            return 1.0;
        }
        return std::nullopt;
    }

private:
    std::string_view query_;
    std::string url_;
    std::string title_;
};

struct Candidate {
    std::string_view url;
    std::string_view title;
    double score = 0.0;
    bool bookmarked = false;
};

double recency(std::uint64_t now, std::uint64_t last) {
    double age = now > last ? static_cast<double>(now - last) : 0.0;
    return 1.0 / (age / kSecondsPerWeek + 1.0);
}

// The working map: URL to candidate, in the order URLs were first matched.
class CandidateMap {
public:
    // Reserving the buckets up front spares the rehashes of a short query that matches the
    // whole store.
    explicit CandidateMap(std::size_t capacity) { index_.reserve(capacity); }

    Candidate& find_or_add(std::string_view url, std::string_view title) {
        auto [it, added] = index_.try_emplace(url, candidates_.size());
        if (added) {
            candidates_.push_back({url, title, 0.0, false});
        }
        return candidates_[it->second];
    }

    std::vector<ScoredSuggestion> best(std::size_t limit) {
        std::vector<std::size_t> order(candidates_.size());
        for (std::size_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::size_t count = std::min(limit, order.size());
        // Score first, then first-match order: the same result as a stable sort by score.
        std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(count),
                          order.end(), [this](std::size_t a, std::size_t b) {
                              if (candidates_[a].score != candidates_[b].score) {
                                  return candidates_[a].score > candidates_[b].score;
                              }
                              return a < b;
                          });
        std::vector<ScoredSuggestion> out;
        for (std::size_t i = 0; i < count; ++i) {
            const Candidate& c = candidates_[order[i]];
            out.push_back({std::string(c.url), std::string(c.title), c.bookmarked, c.score});
        }
        return out;
    }

private:
    std::unordered_map<std::string_view, std::size_t> index_;
    std::vector<Candidate> candidates_;
};

} // namespace

std::optional<double> history_match_score(std::string_view lowered_query, std::string_view url,
                                          std::string_view title) {
    return Matcher(lowered_query).score(url, title);
}

std::vector<ScoredSuggestion> score_suggestions(const Store& store, std::string_view query,
                                                std::size_t limit) {
    std::string lowered = text::to_lower(text::trim_white_space(query));
    if (lowered.empty()) {
        return {};
    }
    std::uint64_t now = store.clock ? store.clock() : system_wall_clock();
    Matcher matcher(lowered);
    CandidateMap map(store.bookmarks.size() + store.history.size());
    for (const Bookmark& bookmark : store.bookmarks) {
        if (std::optional<double> m = matcher.score(bookmark.url, bookmark.title)) {
            Candidate& c = map.find_or_add(bookmark.url, bookmark.title);
            c = {bookmark.url, bookmark.title, *m + kBookmarkBonus, true};
        }
    }
    for (const HistoryEntry& entry : store.history) {
        if (std::optional<double> m = matcher.score(entry.url, entry.title)) {
            double h =
                *m + std::log(1.0 + static_cast<double>(entry.visits)) * recency(now, entry.last);
            Candidate& c = map.find_or_add(entry.url, entry.title);
            c.score = std::fmax(c.score, h) + (c.bookmarked ? 0.5 * h : 0.0);
        }
    }
    return map.best(limit);
}

std::string display_url(std::string_view url) {
    std::string_view rest = strip_url_prefixes(url);
    if (rest.ends_with('/')) {
        rest.remove_suffix(1);
    }
    return std::string(text::first_characters(rest, kDisplayCharacters));
}

std::optional<std::string> default_favicon_url(std::string_view url) {
    if (url.starts_with("http://")) {
        return std::nullopt;
    }
    if (std::optional<std::string_view> host = plain_https_host(url)) {
        return "https://" + std::string(*host) + "/favicon.ico";
    }
    std::optional<Url> parsed = Url::parse(url);
    if (!parsed || parsed->scheme() != "https") {
        return std::nullopt;
    }
    return "https://" + parsed->hostname() + "/favicon.ico";
}

} // namespace corvane
