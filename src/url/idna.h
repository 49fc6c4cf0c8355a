#pragma once

// Domain to ASCII for URL hosts: UTS #46 through ICU, non-transitional, with the bidi and joiner
// checks on and the hyphen, STD3 and DNS-length rules off.

#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// `domain` is valid UTF-8. An all-ASCII domain is only lower-cased: browsers accept ASCII hosts
// whose "xn--" labels are not valid Punycode, and the web relies on it.
std::optional<std::string> domain_to_ascii(std::string_view domain);

} // namespace corvane
