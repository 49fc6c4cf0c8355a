#pragma once

// Equal values of equal kinds, for the fuzzers' comparisons. nlohmann's == takes 1 for equal to
// 1.0 and 0.0 to -0.0, and unsigned 1 to signed 1.

#include "json/strict_reader.h"
#include <algorithm>
#include <bit>
#include <cstdint>

namespace corvane::json {

inline bool exactly_equal(const Json& a, const Json& b) {
    if (a.type() != b.type()) {
        return false;
    }
    if (a.is_number_float()) {
        return std::bit_cast<std::uint64_t>(a.get<double>()) ==
               std::bit_cast<std::uint64_t>(b.get<double>());
    }
    if (a.is_array()) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), exactly_equal);
    }
    if (a.is_object()) {
        if (a.size() != b.size()) {
            return false;
        }
        for (const auto& [key, value] : a.items()) {
            const auto found = b.find(key);
            if (found == b.end() || !exactly_equal(value, *found)) {
                return false;
            }
        }
        return true;
    }
    return a == b;
}

} // namespace corvane::json
