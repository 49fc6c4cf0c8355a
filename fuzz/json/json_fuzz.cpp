// Feeds arbitrary bytes to both strict JSON readers. parse_strict must decide every text exactly
// as nlohmann's own lexer does under the same rules (parse_strict_with_nlohmann): the same
// acceptance and the same value, number kinds and the bits of every double included; what it
// accepts is JSON to nlohmann's plain parser too, within the depth limit, and its compact text
// reads back equal. parse_document must accept the same texts, every Node must read as the
// tree's does, and records must come out alike in either form, fields required or optional.
// The bytes as one string must be written alike by RecordWriter and write_compact.

#include "json/compact_writer.h"
#include "json/document.h"
#include "json/nlohmann_reader.h"
#include "json/record_reader.h"
#include <algorithm>
#include <bit>
#include <cstdlib>

namespace {

using namespace corvane::json;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Equal values of equal kinds: nlohmann's == takes 1 for 1.0, 0.0 for -0.0, unsigned 1 for 1.
bool exactly_equal(const Json& a, const Json& b) {
    if (a.type() != b.type() || a.size() != b.size()) {
        return false;
    }
    if (a.is_number_float()) {
        return std::bit_cast<std::uint64_t>(a.get<double>()) ==
               std::bit_cast<std::uint64_t>(b.get<double>());
    }
    if (a.is_object()) {
        return std::ranges::all_of(a.items(), [&](const auto& member) {
            return b.contains(member.key()) && exactly_equal(member.value(), b[member.key()]);
        });
    }
    return a.is_array() ? std::equal(a.begin(), a.end(), b.begin(), exactly_equal) : a == b;
}

std::size_t depth_of(const Json& value) {
    if (!value.is_structured()) {
        return 0; // nlohmann iterates a scalar as itself
    }
    std::size_t deepest = 0;
    for (const auto& child : value) {
        deepest = std::max(deepest, depth_of(child));
    }
    return deepest + 1;
}

std::optional<std::uint64_t> bits(std::optional<double> number) {
    return number ? std::optional(std::bit_cast<std::uint64_t>(*number)) : std::nullopt;
}

// The document's Node reads as the tree's Node does, down to the leaves.
void require_same(Node a, const Json& tree) {
    const Node b(tree);
    require(a.is_array() == b.is_array() && a.is_object() == b.is_object() &&
            a.string() == b.string() && a.boolean() == b.boolean() && a.u64() == b.u64() &&
            bits(a.f64()) == bits(b.f64()) && a.size() == b.size());
    std::size_t at = 0;
    require(a.every_element([&](Node element) {
        require_same(element, tree.at(at++));
        return true;
    }) == tree.is_array());
    require(at == (tree.is_array() ? tree.size() : 0));
    if (tree.is_object()) {
        for (const auto& [key, value] : tree.items()) {
            require(a.member(key).has_value());
            require_same(*a.member(key), value);
        }
    }
}

struct Entry {
    std::string url;
    std::uint32_t visits = 0;
    std::uint64_t last = 0;
    bool pinned = false;
    double zoom = 1;
    std::vector<std::string> tags;

    bool operator==(const Entry&) const = default;
};

constexpr std::array kEntryFields{
    field<&Entry::url>("url"),       field<&Entry::visits>("visits"), field<&Entry::last>("last"),
    field<&Entry::pinned>("pinned"), field<&Entry::zoom>("zoom"),     field<&Entry::tags>("tags"),
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    require(RecordWriter().string(text).take() == write_compact(Json(std::string(text))));
    constexpr std::size_t kDepth = 8; // small, so that short inputs reach the depth check
    const auto tree = parse_strict(text, kDepth);
    const auto reference = parse_strict_with_nlohmann(text, kDepth);
    std::optional<Document> document = parse_document(text, kDepth);
    require(tree.has_value() == reference.has_value() && tree.has_value() == document.has_value());
    if (!tree) {
        return 0;
    }
    require(exactly_equal(*tree, *reference) && Json::accept(text) && depth_of(*tree) <= kDepth);
    const std::string written = write_compact(*tree);
    const auto again = parse_strict(written, kDepth);
    require(again && *again == *tree && write_compact(*again) == written);
    require_same(document->root(), *tree);
    for (const Missing missing : {Missing::reject, Missing::keep_default}) {
        for (std::size_t skip = 0; skip < 2; ++skip) {
            Entry in_place;
            Entry from_tree;
            const bool read = read_record(document->root(), kEntryFields, in_place, missing, skip);
            require(read == read_record(*tree, kEntryFields, from_tree, missing, skip));
            require(!read || in_place == from_tree);
        }
    }
    require(exactly_equal(std::move(*document).to_json(), *tree));
    return 0;
}
