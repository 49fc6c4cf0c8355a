#include "url/host.h"

#include "url/idna.h"
#include "url/percent_encoding.h"
#include "url/utf8.h"

namespace corvane {
namespace {

bool is_forbidden_host_byte(unsigned char c) {
    switch (c) {
    case 0x00:
    case '\t':
    case '\n':
    case '\r':
    case ' ':
    case '#':
    case '/':
    case ':':
    case '<':
    case '>':
    case '?':
    case '@':
    case '[':
    case '\\':
    case ']':
    case '^':
    case '|':
        return true;
    default:
        return false;
    }
}

bool is_forbidden_domain_byte(unsigned char c) {
    return is_forbidden_host_byte(c) || c <= 0x1F || c == '%' || c == 0x7F;
}

std::optional<Host> parse_opaque_host(std::string_view input) {
    for (char c : input) {
        if (is_forbidden_host_byte(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    Host host;
    host.kind = input.empty() ? HostKind::Empty : HostKind::Opaque;
    host.text = percent_encode(input, EncodeSet::C0Control);
    return host;
}

std::optional<Host> parse_domain(std::string_view input) {
    std::string domain = utf8_with_replacements(percent_decode(input));
    std::optional<std::string> ascii = domain_to_ascii(domain);
    if (!ascii) {
        return std::nullopt;
    }
    for (char c : *ascii) {
        if (is_forbidden_domain_byte(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    Host host;
    if (ends_in_a_number(*ascii)) {
        std::optional<std::uint32_t> address = parse_ipv4(*ascii);
        if (!address) {
            return std::nullopt;
        }
        host.kind = HostKind::Ipv4;
        host.ipv4 = *address;
        return host;
    }
    host.kind = HostKind::Domain;
    host.text = std::move(*ascii);
    return host;
}

} // namespace

std::optional<Host> parse_host(std::string_view input, bool is_special) {
    if (!input.empty() && input.front() == '[') {
        if (input.size() < 2 || input.back() != ']') {
            return std::nullopt;
        }
        std::optional<Ipv6Address> address = parse_ipv6(input.substr(1, input.size() - 2));
        if (!address) {
            return std::nullopt;
        }
        Host host;
        host.kind = HostKind::Ipv6;
        host.ipv6 = *address;
        return host;
    }
    if (!is_special) {
        return parse_opaque_host(input);
    }
    if (input.empty()) {
        return std::nullopt;
    }
    return parse_domain(input);
}

std::string Host::serialize() const {
    switch (kind) {
    case HostKind::Ipv4:
        return serialize_ipv4(ipv4);
    case HostKind::Ipv6:
        return "[" + serialize_ipv6(ipv6) + "]";
    case HostKind::Domain:
    case HostKind::Opaque:
        return text;
    case HostKind::None:
    case HostKind::Empty:
        break;
    }
    return {};
}

} // namespace corvane
