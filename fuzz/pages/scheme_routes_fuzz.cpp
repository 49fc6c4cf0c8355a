// Request URIs reach the scheme handlers from any page a tab loads, and the new tab page is
// generated from stored bookmarks and history: neither may crash or break the answer's shape.
// The input is split at its first NUL bytes into a URI, a URL and a title.
#include "pages/scheme_routes.h"

#include <algorithm>
#include <cstdlib>

namespace {

void check(const corvane::SchemeResponse& response) {
    const bool shaped = (response.status == 200 || response.status == 404) &&
                        response.headers.size() == 5 && response.headers[0].name == "Content-Type";
    if (!shaped || (response.status == 404 && response.body_view() != "Not found")) {
        std::abort();
    }
}

std::string next_part(std::string_view& rest) {
    const auto end = std::min(rest.find('\0'), rest.size());
    std::string part(rest.substr(0, end));
    rest.remove_prefix(std::min(end + 1, rest.size()));
    return part;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string uri = next_part(rest), url = next_part(rest), title(rest);
    check(serve_ui(uri));
    const SharedNewTabSnapshot shared(
        NewTabSnapshot{url, title, {{url, title}}, {{url, title}, {url, ""}}});
    for (const auto privacy : {WindowPrivacy::normal, WindowPrivacy::private_window}) {
        check(serve_newtab(shared, privacy, uri));
        check(serve_newtab(shared, privacy, "corvane://newtab/"));
    }
    return 0;
}
