#include "json/strict_reader.h"

#include "json/document.h"
#include "json/fast_reader.h"
#include "json/nlohmann_reader.h"
#include <limits>
#include <utility>

namespace corvane::json {

std::optional<Json> parse_strict(std::string_view text, std::size_t max_depth) {
    if (has_bytes_the_parser_would_hide(text)) {
        return std::nullopt;
    }
    Json tree;
    switch (fast::read_tree(text, max_depth, tree)) {
    case fast::Verdict::accepted:
        return tree;
    case fast::Verdict::refused:
        return std::nullopt;
    case fast::Verdict::undecided:
        break;
    }
    return parse_strict_with_nlohmann(text, max_depth);
}

std::optional<std::string> as_string(const Json& value) {
    if (!value.is_string()) {
        return std::nullopt;
    }
    return value.get_ref<const std::string&>();
}

std::optional<bool> as_bool(const Json& value) {
    if (!value.is_boolean()) {
        return std::nullopt;
    }
    return value.get<bool>();
}

std::optional<std::uint64_t> as_u64(const Json& value) {
    // Only digits without sign, fraction or exponent parse as number_unsigned; anything that
    // overflowed 64 bits was already turned into a float by the parser.
    if (!value.is_number_unsigned()) {
        return std::nullopt;
    }
    return value.get<std::uint64_t>();
}

std::optional<std::uint32_t> as_u32(const Json& value) {
    const auto wide = as_u64(value);
    if (!wide || *wide > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*wide);
}

std::optional<double> as_f64(const Json& value) {
    if (!value.is_number()) {
        return std::nullopt;
    }
    return value.get<double>();
}

// The same rules, shared with the reading of records in place.
bool read_value(const Json& value, std::string& into) {
    return read_value(Node(value), into);
}
bool read_value(const Json& value, bool& into) {
    return read_value(Node(value), into);
}
bool read_value(const Json& value, std::uint32_t& into) {
    return read_value(Node(value), into);
}
bool read_value(const Json& value, std::uint64_t& into) {
    return read_value(Node(value), into);
}
bool read_value(const Json& value, double& into) {
    return read_value(Node(value), into);
}

} // namespace corvane::json
