#pragma once

// The URL Standard's IPv4 and IPv6 host forms: the permissive IPv4 parser (decimal, octal and
// hexadecimal parts, one to four of them), the IPv6 parser with compression and a dotted IPv4
// tail, and both serializers.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

using Ipv6Address = std::array<std::uint16_t, 8>;

// True when the last dot-separated label (a single trailing dot ignored) is a number, which
// makes the whole host an IPv4 address or a failure.
bool ends_in_a_number(std::string_view host);

std::optional<std::uint32_t> parse_ipv4(std::string_view host);
std::optional<Ipv6Address> parse_ipv6(std::string_view text);

std::string serialize_ipv4(std::uint32_t address);
// Without the square brackets.
std::string serialize_ipv6(const Ipv6Address& address);

} // namespace corvane
