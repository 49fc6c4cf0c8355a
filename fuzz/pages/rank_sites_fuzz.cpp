// History URLs come from the history file. Ranking parses each site's authority once instead of
// every URL whole; this checks that it finds exactly the sites a whole parse of each URL finds.
#include "pages/rank_sites.h"
#include "url/url.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace corvane;

std::string strip_leading_www(std::string host) {
    while (host.starts_with("www.")) {
        host.erase(0, 4);
    }
    return host;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<HistoryEntry> history;
    while (!rest.empty() && history.size() < 64) {
        const auto end = rest.find('\n');
        std::string text(rest.substr(0, end));
        // The history holds http and https pages; other schemes (blob: carries an https origin
        // without a host) follow their own naming.
        const auto url = Url::parse(text);
        if (!url || url->scheme() == "http" || url->scheme() == "https") {
            history.push_back({std::move(text), "", 1, 0});
        }
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    // Sites by a whole parse of every URL. Only http and https origins have one name each.
    std::map<std::string, std::string> expected;
    for (const auto& entry : history) {
        const auto url = Url::parse(entry.url);
        if (url && (url->scheme() == "http" || url->scheme() == "https")) {
            expected[url->origin() + "/"] = strip_leading_www(url->host_str().value_or(""));
        }
    }
    std::map<std::string, std::string> found;
    for (auto& link : rank_sites(history, history.size(), std::nullopt)) {
        if (link.url.starts_with("http://") || link.url.starts_with("https://")) {
            found[link.url] = link.title;
        }
    }
    if (found != expected) {
        std::abort();
    }
    return 0;
}
