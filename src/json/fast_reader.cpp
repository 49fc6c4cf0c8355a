#include "json/fast_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace corvane::json::fast {

namespace {

namespace dom = simdjson::dom;

// Texts up to the size of the largest chrome message parse with the parser the thread keeps, so
// each message reuses its buffers. A bigger text (a store file, read once) leaves its parser to
// be freed rather than kept.
constexpr std::size_t kLargestKeptCapacity = 64 * 1024;
constexpr std::size_t kSmallestCapacity = 4 * 1024;

thread_local std::unique_ptr<dom::parser> kept_parser;

// Grows the buffers in powers of two, so that messages of slowly growing sizes do not reallocate
// them each time.
simdjson::error_code reserve(dom::parser& parser, std::size_t size) {
    if (size <= parser.capacity()) {
        return simdjson::SUCCESS;
    }
    return parser.allocate(std::max(kSmallestCapacity, std::bit_ceil(size)));
}

// simdjson's errors that nlohmann's lexer reports too. Any other one (a number simdjson cannot
// hold, nesting beyond its own limit, memory) leaves the text undecided.
constexpr std::array kSyntaxErrors{
    simdjson::TAPE_ERROR,
    simdjson::STRING_ERROR,
    simdjson::T_ATOM_ERROR,
    simdjson::F_ATOM_ERROR,
    simdjson::N_ATOM_ERROR,
    simdjson::UTF8_ERROR,
    simdjson::EMPTY,
    simdjson::UNESCAPED_CHARS,
    simdjson::UNCLOSED_STRING,
    simdjson::INCOMPLETE_ARRAY_OR_OBJECT,
    simdjson::TRAILING_CONTENT,
};

Verdict parse(dom::parser& parser, std::string_view text, dom::element& root) {
    if (text.empty()) {
        return Verdict::refused; // and no null pointer for the copy into the parser
    }
    if (reserve(parser, text.size()) != simdjson::SUCCESS) {
        return Verdict::undecided;
    }
    const simdjson::error_code error = parser.parse(text.data(), text.size()).get(root);
    if (error == simdjson::SUCCESS) {
        return Verdict::accepted;
    }
    const bool syntax =
        std::find(kSyntaxErrors.begin(), kSyntaxErrors.end(), error) != kSyntaxErrors.end();
    return syntax ? Verdict::refused : Verdict::undecided;
}

// Whether "-0" may stand in text as a whole integer: followed by the end or by a byte that ends a
// number. A match inside a string is a false alarm that only costs the slower reader.
bool may_hold_negative_zero(std::string_view text) {
    static constexpr std::string_view kNumberEnds = " \t\n\r,]}";
    for (std::size_t at = text.find("-0"); at != std::string_view::npos;
         at = text.find("-0", at + 1)) {
        if (at + 2 == text.size() || kNumberEnds.find(text[at + 2]) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// The verdict on a parsed text whose checks passed. simdjson reads both 0 and -0 as the integer
// 0, so a text with an integer zero and "-0" in it is left to the slower reader.
Verdict checked(std::string_view text, bool saw_zero) {
    return saw_zero && may_hold_negative_zero(text) ? Verdict::undecided : Verdict::accepted;
}

bool is_container(dom::element value) {
    const dom::element_type type = value.type();
    return type == dom::element_type::ARRAY || type == dom::element_type::OBJECT;
}

bool is_zero(dom::element value) {
    return value.type() == dom::element_type::INT64 && value.get_int64().value_unsafe() == 0;
}

// Whether the keys of an object are all different. keys is scratch space, reused for every
// object.
bool unique_keys(dom::object object, std::vector<std::string_view>& keys) {
    keys.clear();
    for (const dom::key_value_pair& member : object) {
        keys.push_back(member.key);
    }
    // Most objects have a handful of members: comparing each pair beats sorting them.
    constexpr std::size_t kPairwiseUpTo = 8;
    if (keys.size() <= kPairwiseUpTo) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            if (std::find(keys.begin() + i + 1, keys.end(), keys[i]) != keys.end()) {
                return false;
            }
        }
        return true;
    }
    std::sort(keys.begin(), keys.end());
    return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
}

// The checks of a parsed document that simdjson does not make, for reading it in place.
class Checker {
public:
    explicit Checker(std::size_t max_depth) : max_depth_(max_depth) {}

    // depth: the arrays and objects around value.
    bool check(dom::element value, std::size_t depth) {
        dom::array array;
        if (value.get(array) == simdjson::SUCCESS) {
            return depth < max_depth_ && check_elements(array, depth + 1);
        }
        dom::object object;
        if (value.get(object) == simdjson::SUCCESS) {
            return depth < max_depth_ && unique_keys(object, keys_) &&
                   check_members(object, depth + 1);
        }
        saw_zero_ = saw_zero_ || is_zero(value);
        return true;
    }

    bool saw_zero() const { return saw_zero_; }

private:
    bool check_elements(dom::array array, std::size_t depth) {
        for (const dom::element element : array) {
            // Scalars are noted here rather than by a call each: long arrays of numbers are
            // common.
            if (!is_container(element)) {
                saw_zero_ = saw_zero_ || is_zero(element);
            } else if (!check(element, depth)) {
                return false;
            }
        }
        return true;
    }

    bool check_members(dom::object object, std::size_t depth) {
        for (const dom::key_value_pair& member : object) {
            if (!check(member.value, depth)) {
                return false;
            }
        }
        return true;
    }

    std::size_t max_depth_;
    bool saw_zero_ = false;
    std::vector<std::string_view> keys_;
};

// Builds the Json tree of a parsed document, refusing a duplicate key or nesting beyond the
// limit on the way. Integers keep nlohmann's kinds: unsigned unless written with a sign. Each
// value is constructed in its place: a temporary Json would cost a call to nlohmann's
// destructor, which shows on arrays of many numbers.
class TreeBuilder {
public:
    explicit TreeBuilder(std::size_t max_depth) : max_depth_(max_depth) {}

    bool build(dom::element root, Json& tree) {
        return place(root, 0, [&](auto&& value) {
            tree = Json(std::forward<decltype(value)>(value));
            return true;
        });
    }

    bool saw_zero() const { return saw_zero_; }

private:
    // Hands the value to put as the argument of a Json constructor; false on refusal.
    template <typename Put>
    bool place(dom::element value, std::size_t depth, Put&& put) {
        switch (value.type()) {
        case dom::element_type::ARRAY: {
            Json::array_t elements;
            return depth < max_depth_ &&
                   fill(value.get_array().value_unsafe(), depth + 1, elements) &&
                   put(std::move(elements));
        }
        case dom::element_type::OBJECT: {
            Json::object_t members;
            return depth < max_depth_ &&
                   fill(value.get_object().value_unsafe(), depth + 1, members) &&
                   put(std::move(members));
        }
        case dom::element_type::INT64: {
            const std::int64_t number = value.get_int64().value_unsafe();
            saw_zero_ = saw_zero_ || number == 0;
            return number < 0 ? put(number) : put(static_cast<std::uint64_t>(number));
        }
        case dom::element_type::UINT64:
            return put(value.get_uint64().value_unsafe());
        case dom::element_type::DOUBLE:
            return put(value.get_double().value_unsafe());
        case dom::element_type::STRING:
            return put(std::string(value.get_string().value_unsafe()));
        case dom::element_type::BOOL:
            return put(value.get_bool().value_unsafe());
        case dom::element_type::NULL_VALUE:
            break;
        }
        return put(nullptr);
    }

    bool fill(dom::array source, std::size_t depth, Json::array_t& elements) {
        elements.reserve(source.size());
        for (const dom::element element : source) {
            const bool placed = place(element, depth, [&](auto&& value) {
                elements.emplace_back(std::forward<decltype(value)>(value));
                return true;
            });
            if (!placed) {
                return false;
            }
        }
        return true;
    }

    bool fill(dom::object source, std::size_t depth, Json::object_t& members) {
        for (const dom::key_value_pair& member : source) {
            // Keys often come in ascending order (nlohmann writes them so): the hint then
            // saves most comparisons. A duplicate leaves the size as it was.
            const bool placed = place(member.value, depth, [&](auto&& value) {
                const std::size_t before = members.size();
                members.emplace_hint(members.end(), std::piecewise_construct,
                                     std::forward_as_tuple(member.key),
                                     std::forward_as_tuple(std::forward<decltype(value)>(value)));
                return members.size() != before;
            });
            if (!placed) {
                return false;
            }
        }
        return true;
    }

    std::size_t max_depth_;
    bool saw_zero_ = false;
};

} // namespace

void GiveBack::operator()(dom::parser* parser) const {
    if (!kept_parser && parser->capacity() <= kLargestKeptCapacity) {
        kept_parser.reset(parser);
    } else {
        delete parser;
    }
}

Parser borrow_parser() {
    if (kept_parser) {
        return Parser(kept_parser.release());
    }
    return Parser(new dom::parser());
}

Verdict read(dom::parser& parser, std::string_view text, std::size_t max_depth,
             dom::element& root) {
    if (const Verdict parsed = parse(parser, text, root); parsed != Verdict::accepted) {
        return parsed;
    }
    Checker checker(max_depth);
    if (!checker.check(root, 0)) {
        return Verdict::refused;
    }
    return checked(text, checker.saw_zero());
}

Verdict read_tree(std::string_view text, std::size_t max_depth, Json& tree) {
    const Parser parser = borrow_parser();
    dom::element root;
    if (const Verdict parsed = parse(*parser, text, root); parsed != Verdict::accepted) {
        return parsed;
    }
    TreeBuilder builder(max_depth);
    if (!builder.build(root, tree)) {
        return Verdict::refused;
    }
    return checked(text, builder.saw_zero());
}

Json tree_of(dom::element root) {
    Json tree;
    TreeBuilder(std::numeric_limits<std::size_t>::max()).build(root, tree);
    return tree;
}

} // namespace corvane::json::fast
