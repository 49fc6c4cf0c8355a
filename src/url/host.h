#pragma once

// URL hosts: the host parser for special (domain) and non-special (opaque) URLs, and the host
// serializer.

#include "url/ip_address.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

enum class HostKind { None, Domain, Ipv4, Ipv6, Opaque, Empty };

struct Host {
    HostKind kind = HostKind::Empty;
    std::string text; // the ASCII domain or the encoded opaque host
    std::uint32_t ipv4 = 0;
    Ipv6Address ipv6{};

    // IPv6 comes out in square brackets.
    std::string serialize() const;
};

// Parses a host as it stands in a URL. `is_special` selects domain parsing (percent-decoding,
// IDNA, IPv4) over the opaque host of other schemes.
std::optional<Host> parse_host(std::string_view input, bool is_special);

} // namespace corvane
