#pragma once

// Strict reading of JSON that comes from outside the program: the store files and the messages
// of the chrome page. Everything here refuses rather than guesses: a refused text or value gives
// std::nullopt and the caller falls back silently.

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::json {

using Json = nlohmann::json;

// Deepest nesting accepted from the store files and the chrome page: at most 127 arrays and
// objects inside one another, the top level counting as one.
inline constexpr std::size_t kMaxDepth = 127;

// Parses text as exactly one JSON value. Refused: anything but space, tab, line feed or carriage
// return after the value (a byte order mark before it too); invalid UTF-8 or escapes, lone
// surrogates included; a key twice in one object; more than max_depth arrays and objects nested
// (the top level counts as one, so max_depth 0 allows only a scalar); a number that overflows
// a double. Numbers keep their written kind: digits only give number_unsigned (while they fit
// in 64 bits), a leading '-' gives number_integer, a fraction or exponent number_float.
std::optional<Json> parse_strict(std::string_view text, std::size_t max_depth);

// Typed access to one parsed value. null, a value of another JSON type, a signed or fractional
// number for an integer, and an integer beyond the width all give std::nullopt.
std::optional<std::string> as_string(const Json& value);
std::optional<bool> as_bool(const Json& value);
std::optional<std::uint32_t> as_u32(const Json& value);
std::optional<std::uint64_t> as_u64(const Json& value);
// Any JSON number, integer or not.
std::optional<double> as_f64(const Json& value);

// The same checks, storing into a field: false (and the field untouched) on refusal. These are
// the building blocks of record readers (record_reader.h); overloads for record types are added
// beside the records.
bool read_value(const Json& value, std::string& into);
bool read_value(const Json& value, bool& into);
bool read_value(const Json& value, std::uint32_t& into);
bool read_value(const Json& value, std::uint64_t& into);
bool read_value(const Json& value, double& into);

// A list: every element must read as T, else the whole list is refused.
template <typename T>
bool read_value(const Json& value, std::vector<T>& into) {
    if (!value.is_array()) {
        return false;
    }
    std::vector<T> items;
    items.reserve(value.size());
    for (const Json& element : value) {
        T item{};
        if (!read_value(element, item)) {
            return false;
        }
        items.push_back(std::move(item));
    }
    into = std::move(items);
    return true;
}

} // namespace corvane::json
