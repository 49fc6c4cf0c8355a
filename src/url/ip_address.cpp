#include "url/ip_address.h"

#include "url/ascii.h"

#include <vector>

namespace corvane {
namespace {

std::vector<std::string_view> split_dots(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t dot = text.find('.', start);
        if (dot == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, dot - start));
        start = dot + 1;
    }
}

// One part of an IPv4 address: "0x" for hexadecimal, a leading "0" for octal, else decimal.
// Values beyond 2^32 saturate, which is enough to refuse them.
std::optional<std::uint64_t> parse_ipv4_number(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    unsigned radix = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        radix = 16;
    } else if (text.size() >= 2 && text[0] == '0') {
        text.remove_prefix(1);
        radix = 8;
    }
    std::uint64_t value = 0;
    constexpr std::uint64_t saturated = std::uint64_t{1} << 40;
    for (char c : text) {
        int digit = ascii::hex_value(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= radix) {
            return std::nullopt;
        }
        value = value * radix + static_cast<unsigned>(digit);
        if (value > saturated) {
            value = saturated;
        }
    }
    return value;
}

} // namespace

bool ends_in_a_number(std::string_view host) {
    std::vector<std::string_view> parts = split_dots(host);
    if (parts.back().empty()) {
        if (parts.size() == 1) {
            return false;
        }
        parts.pop_back();
    }
    std::string_view last = parts.back();
    if (!last.empty() && last.find_first_not_of("0123456789") == std::string_view::npos) {
        return true;
    }
    return parse_ipv4_number(last).has_value();
}

std::optional<std::uint32_t> parse_ipv4(std::string_view host) {
    std::vector<std::string_view> parts = split_dots(host);
    if (parts.back().empty() && parts.size() > 1) {
        parts.pop_back();
    }
    if (parts.size() > 4) {
        return std::nullopt;
    }
    std::vector<std::uint64_t> numbers;
    for (std::string_view part : parts) {
        std::optional<std::uint64_t> n = parse_ipv4_number(part);
        if (!n) {
            return std::nullopt;
        }
        numbers.push_back(*n);
    }
    for (std::size_t i = 0; i + 1 < numbers.size(); ++i) {
        if (numbers[i] > 255) {
            return std::nullopt;
        }
    }
    std::uint64_t last_limit = std::uint64_t{1} << (8 * (5 - numbers.size()));
    if (numbers.back() >= last_limit) {
        return std::nullopt;
    }
    std::uint64_t address = numbers.back();
    for (std::size_t i = 0; i + 1 < numbers.size(); ++i) {
        address += numbers[i] << (8 * (3 - i));
    }
    return static_cast<std::uint32_t>(address);
}

std::string serialize_ipv4(std::uint32_t address) {
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += std::to_string((address >> shift) & 0xFF);
        if (shift > 0) {
            out.push_back('.');
        }
    }
    return out;
}

} // namespace corvane
