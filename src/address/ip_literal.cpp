#include "address/ip_literal.h"

#include <vector>

namespace corvane {
namespace {

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t found = text.find(separator, start);
        parts.push_back(text.substr(start, found - start));
        if (found == std::string_view::npos) {
            return parts;
        }
        start = found + 1;
    }
}

bool is_decimal_octet(std::string_view part) {
    if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0')) {
        return false;
    }
    unsigned value = 0;
    for (char c : part) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value <= 255;
}

bool is_hex_group(std::string_view part) {
    if (part.empty() || part.size() > 4) {
        return false;
    }
    for (char c : part) {
        bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) {
            return false;
        }
    }
    return true;
}

// Counts the 16-bit groups of a ":"-separated run; only its last item may be a dotted IPv4
// address (two groups) and only when `ipv4_tail` allows it. -1 when the run is malformed.
int count_groups(std::string_view run, bool ipv4_tail) {
    if (run.empty()) {
        return 0;
    }
    std::vector<std::string_view> parts = split(run, ':');
    int groups = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (ipv4_tail && i + 1 == parts.size() && parts[i].find('.') != std::string_view::npos) {
            if (!is_ipv4_literal(parts[i])) {
                return -1;
            }
            groups += 2;
        } else if (is_hex_group(parts[i])) {
            groups += 1;
        } else {
            return -1;
        }
    }
    return groups;
}

} // namespace

bool is_ipv4_literal(std::string_view text) {
    std::vector<std::string_view> parts = split(text, '.');
    if (parts.size() != 4) {
        return false;
    }
    for (std::string_view part : parts) {
        if (!is_decimal_octet(part)) {
            return false;
        }
    }
    return true;
}

bool is_ipv6_literal(std::string_view text) {
    std::size_t gap = text.find("::");
    if (gap == std::string_view::npos) {
        return count_groups(text, true) == 8;
    }
    std::string_view head = text.substr(0, gap);
    std::string_view tail = text.substr(gap + 2);
    if (tail.find("::") != std::string_view::npos) {
        return false;
    }
    int head_groups = count_groups(head, false);
    int tail_groups = count_groups(tail, true);
    return head_groups >= 0 && tail_groups >= 0 && head_groups + tail_groups <= 7;
}

} // namespace corvane
