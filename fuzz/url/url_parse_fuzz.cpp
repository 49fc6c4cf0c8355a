// Feeds arbitrary bytes to the URL parser. Besides the sanitizers' checks, a parsed URL must
// serialise to text that parses again to the same URL, its origin must not change on the way,
// and the https scheme change must leave a URL that still round-trips.

#include "url/percent_encoding.h"
#include "url/url.h"

#include <cstdlib>

namespace {

void require_round_trip(const corvane::Url& url) {
    const std::optional<corvane::Url> again = corvane::Url::parse(url.href());
    if (!again || again->href() != url.href() || again->origin() != url.origin() ||
        again->host_kind() != url.host_kind()) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (std::optional<corvane::Url> url = corvane::Url::parse(input)) {
        require_round_trip(*url);
        if (url->set_scheme("https")) {
            require_round_trip(*url);
            if (url->scheme() != "https") {
                std::abort();
            }
        }
    }
    if (corvane::percent_decode(input).size() > size ||
        corvane::form_urlencoded_byte_serialize(input).size() < size) {
        std::abort();
    }
    return 0;
}
