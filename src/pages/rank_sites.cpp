#include "pages/rank_sites.h"

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

std::string without_www(std::string host) {
    std::size_t cut = 0;
    while (std::string_view(host).substr(cut).starts_with("www.")) {
        cut += 4;
    }
    host.erase(0, cut);
    return host;
}

} // namespace

std::vector<NewTabLink> rank_sites(std::span<const HistoryEntry> history, std::size_t limit,
                                   std::optional<std::uint64_t> now) {
    std::unordered_map<std::string, SiteScore> sites;
    for (const auto& entry : history) {
        const auto url = Url::parse(entry.url);
        if (!url) {
            continue;
        }
        auto key = url->origin();
        auto [site, inserted] = sites.try_emplace(key);
        if (inserted) {
            site->second.url = std::move(key) + "/";
        }
        site->second.score += visit_weight(entry, now);
        // The root page names the site; otherwise the first page seen does.
        if (site->second.name.empty() || url->pathname() == "/") {
            site->second.name = without_www(url->host_str().value_or(""));
        }
    }
    std::vector<SiteScore> ranked;
    ranked.reserve(sites.size());
    for (auto& [key, site] : sites) {
        ranked.push_back(std::move(site));
    }
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
