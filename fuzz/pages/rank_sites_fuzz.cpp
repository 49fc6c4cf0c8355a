// History URLs come from the history file, one a line here. Ranking parses each site's authority
// once instead of every URL whole; it must find exactly the sites a whole parse of each http or
// https URL finds (other schemes, such as blob: with an https origin but no host, are left out).
#include "address/url_classify.h"
#include "pages/rank_sites.h"
#include "url/url.h"

#include <algorithm>
#include <cstdlib>
#include <map>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    std::vector<HistoryEntry> history;
    std::map<std::string, std::string> expected, found;
    for (std::string_view rest(reinterpret_cast<const char*>(data), size);
         !rest.empty() && history.size() < 64;) {
        const std::string text(rest.substr(0, rest.find('\n')));
        rest.remove_prefix(std::min(text.size() + 1, rest.size()));
        const auto url = Url::parse(text);
        const bool web = url && (url->scheme() == "http" || url->scheme() == "https");
        if (!url || web) {
            history.push_back({text, "", 1, 0});
        }
        if (web) {
            expected[url->origin() + "/"] = std::string(strip_www(url->host_str().value_or("")));
        }
    }
    for (const auto& link : rank_sites(history, history.size(), std::nullopt)) {
        if (link.url.starts_with("http://") || link.url.starts_with("https://")) {
            found[link.url] = link.title;
        }
    }
    if (found != expected) {
        std::abort();
    }
    return 0;
}
