// Feeds arbitrary bytes to parse_document, the reader the store files are read with in place. It
// must accept exactly what parse_strict accepts; every Node of the document must read as the
// same value of parse_strict's tree reads through a Node; and a record must come out of both
// alike, in either form, with fields required or optional.

#include "exactly_equal.h"

#include "json/document.h"
#include "json/record_reader.h"
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using namespace corvane::json;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
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
    if (tree.is_array()) {
        std::size_t at = 0;
        require(a.every_element([&](Node element) {
            require_same(element, tree.at(at++));
            return true;
        }));
        require(at == tree.size());
    } else if (tree.is_object()) {
        for (const auto& [key, value] : tree.items()) {
            const std::optional<Node> member = a.member(key);
            require(member.has_value());
            require_same(*member, value);
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

template <typename Value>
std::optional<Entry> read_entry(const Value& value, Missing missing, std::size_t skip) {
    Entry entry;
    return read_record(value, kEntryFields, entry, missing, skip) ? std::optional(entry)
                                                                  : std::nullopt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    constexpr std::size_t kDepth = 8;
    const std::optional<Json> tree = parse_strict(text, kDepth);
    std::optional<Document> document = parse_document(text, kDepth);
    require(document.has_value() == tree.has_value());
    if (!document) {
        return 0;
    }
    require_same(document->root(), *tree);
    for (const Missing missing : {Missing::reject, Missing::keep_default}) {
        for (std::size_t skip = 0; skip < 2; ++skip) {
            require(read_entry(document->root(), missing, skip) ==
                    read_entry(*tree, missing, skip));
        }
    }
    require(exactly_equal(std::move(*document).to_json(), *tree));
    return 0;
}
