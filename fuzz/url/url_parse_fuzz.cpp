// Feeds arbitrary bytes to the URL parser. Besides the sanitizers' checks, a parsed URL must
// serialise to text that parses again to the same URL, its origin must not change on the way,
// and the https scheme change must leave a URL that still round-trips.

#include "url/percent_encoding.h"
#include "url/url.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void check_round_trip(const corvane::Url& url) {
    std::string href = url.href();
    std::optional<corvane::Url> again = corvane::Url::parse(href);
    require(again.has_value());
    require(again->href() == href);
    require(again->origin() == url.origin());
    require(again->host_kind() == url.host_kind());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::optional<corvane::Url> url = corvane::Url::parse(input);
    if (url) {
        check_round_trip(*url);
        corvane::Url changed = *url;
        if (changed.set_scheme("https")) {
            require(changed.scheme() == "https");
            check_round_trip(changed);
        }
    }
    std::string decoded = corvane::percent_decode(input);
    require(decoded.size() <= input.size());
    std::string form = corvane::form_urlencoded_byte_serialize(input);
    require(form.size() >= input.size());
    return 0;
}
