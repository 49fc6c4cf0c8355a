// Request URIs reach the scheme handlers from any page a tab loads, and the new tab page is
// generated from stored bookmarks and history: neither may crash or break the answer's shape.
#include "pages/scheme_routes.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace corvane;

void check(const SchemeResponse& response) {
    const bool shaped = (response.status == 200 || response.status == 404) &&
                        response.headers.size() == 5 && response.headers[0].name == "Content-Type";
    if (!shaped || (response.status == 404 && response.body_view() != "Not found")) {
        std::abort();
    }
}

// Splits the input at the first NUL bytes into a URI, a URL and a title.
std::string_view next_part(std::string_view& rest) {
    const auto end = rest.find('\0');
    const auto part = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    return part;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const auto uri = next_part(rest);
    const auto url = next_part(rest);
    const auto title = rest;

    check(serve_ui(uri));
    NewTabSnapshot snapshot;
    snapshot.engine_name = std::string(title);
    snapshot.engine_template = std::string(url);
    snapshot.bookmarks = {{std::string(url), std::string(title)}, {std::string(url), ""}};
    snapshot.top_sites = {{std::string(url), std::string(title)}};
    SharedNewTabSnapshot shared(snapshot);
    for (const auto privacy : {WindowPrivacy::normal, WindowPrivacy::private_window}) {
        check(serve_newtab(shared, privacy, uri));
        check(serve_newtab(shared, privacy, "corvane://newtab/"));
    }
    return 0;
}
