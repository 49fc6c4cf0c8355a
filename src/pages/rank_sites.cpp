#include "pages/rank_sites.h"

#include "address/url_classify.h"
#include "url/url.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>
#include <unordered_map>

namespace corvane {

namespace {

struct SiteScore {
    std::string url;
    double score = 0.0;
    std::string name;
};

constexpr double kSecondsPerDay = 86400.0;
constexpr double kHalfWeightDays = 14.0;

double visit_weight(const HistoryEntry& entry, std::optional<std::uint64_t> now) {
    if (!now) {
        return static_cast<double>(entry.visits);
    }
    const std::uint64_t age = entry.last > *now ? 0 : *now - entry.last;
    const double days = static_cast<double>(age) / kSecondsPerDay;
    return static_cast<double>(entry.visits) / (1.0 + days / kHalfWeightDays);
}

// The "http[s]://authority" part of a plainly written http or https URL: everything that decides
// its origin, since the parser ends the authority at the first of / \ ? # and nothing after it
// can make such a URL fail. None for any other shape (then the whole URL is parsed).
std::optional<std::string_view> origin_prefix(std::string_view url) {
    std::size_t start = 0;
    if (url.starts_with("https://")) {
        start = 8;
    } else if (url.starts_with("http://")) {
        start = 7;
    } else {
        return std::nullopt;
    }
    // The parser skips any further slashes before the host; leave such URLs to it as well.
    if (url.size() > start && (url[start] == '/' || url[start] == '\\')) {
        return std::nullopt;
    }
    const auto prefix = url.substr(0, url.find_first_of("/\\?#", start));
    // Blanks and control characters are stripped or removed by the parser; leave them to it.
    const bool plain = std::none_of(prefix.begin(), prefix.end(),
                                    [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
    if (!plain) {
        return std::nullopt;
    }
    return prefix;
}

class SiteTable {
public:
    explicit SiteTable(std::optional<std::uint64_t> now) : now_(now) {}

    void add(const HistoryEntry& entry) {
        if (const auto prefix = origin_prefix(entry.url)) {
            // Most entries share their site with others: parse each distinct authority once.
            auto [cached, inserted] = by_prefix_.try_emplace(*prefix);
            if (inserted) {
                if (const auto url = Url::parse(*prefix)) {
                    cached->second = {&site_of(*url), site_name(*url)};
                }
            }
            if (SiteScore* site = cached->second.site) {
                site->score += visit_weight(entry, now_);
                // An http or https origin has one host, so any of its pages names it alike.
                if (site->name.empty()) {
                    site->name = cached->second.name;
                }
            }
            return;
        }
        const auto url = Url::parse(entry.url);
        if (!url) {
            return;
        }
        SiteScore& site = site_of(*url);
        site.score += visit_weight(entry, now_);
        if (site.name.empty() || url->pathname() == "/") {
            site.name = site_name(*url);
        }
    }

    std::vector<SiteScore> take() {
        std::vector<SiteScore> sites;
        sites.reserve(sites_.size());
        for (auto& [key, site] : sites_) {
            sites.push_back(std::move(site));
        }
        return sites;
    }

private:
    struct KnownAuthority {
        SiteScore* site = nullptr; // none when the authority does not parse
        std::string name;
    };

    static std::string site_name(const Url& url) {
        return std::string(strip_www(url.host_str().value_or("")));
    }

    SiteScore& site_of(const Url& url) {
        auto key = url.origin();
        auto [site, inserted] = sites_.try_emplace(key);
        if (inserted) {
            site->second.url = std::move(key) + "/";
        }
        return site->second;
    }

    std::optional<std::uint64_t> now_;
    std::unordered_map<std::string, SiteScore> sites_;
    // Views into the history's URLs, which outlive the table.
    std::unordered_map<std::string_view, KnownAuthority> by_prefix_;
};

} // namespace

std::vector<NewTabLink> rank_sites(std::span<const HistoryEntry> history, std::size_t limit,
                                   std::optional<std::uint64_t> now) {
    SiteTable table(now);
    for (const auto& entry : history) {
        table.add(entry);
    }
    auto ranked = table.take();
    // Equal scores keep the table's order, which is arbitrary, as any order of ties would be.
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const SiteScore& a, const SiteScore& b) { return a.score > b.score; });
    ranked.resize(std::min(limit, ranked.size()));
    std::vector<NewTabLink> links;
    links.reserve(ranked.size());
    for (auto& site : ranked) {
        links.push_back({std::move(site.url), std::move(site.name)});
    }
    return links;
}

std::vector<NewTabLink> rank_sites(std::span<const HistoryEntry> history, std::size_t limit) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    std::optional<std::uint64_t> now;
    if (seconds >= 0) {
        now = static_cast<std::uint64_t>(seconds);
    }
    return rank_sites(history, limit, now);
}

} // namespace corvane
