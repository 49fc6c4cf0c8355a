#pragma once

// Strict textual IP addresses, as a person writes them: IPv4 as four decimal numbers 0-255
// without leading zeros, IPv6 in the forms of RFC 4291 (with "::" and an optional dotted IPv4
// tail). Unlike URL hosts, no other number forms count.

#include <string_view>

namespace corvane {

bool is_ipv4_literal(std::string_view text);
bool is_ipv6_literal(std::string_view text);

} // namespace corvane
