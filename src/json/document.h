#pragma once

// A JSON text parsed by the rules of parse_strict (strict_reader.h) and read in place: records
// are taken straight from it, without building a Json tree first. Node is the view of one value
// inside it; its typed reads follow the rules of as_string, as_bool, as_u64 and as_f64.
//
//   std::optional<Document> document = parse_document(text, kMaxDepth);
//   std::vector<std::uint32_t> list;
//   bool ok = document && read_value(document->root(), list);

#include "json/fast_reader.h"
#include "json/strict_reader.h"

namespace corvane::json {

// One value inside a Document, or inside a Json tree. Cheap to copy; valid while the document or
// tree it views lives where it is (a moved Document may leave its Nodes behind).
class Node {
public:
    explicit Node(const Json& value) : json_(&value) {}
    explicit Node(simdjson::dom::element value) : element_(value) {}

    bool is_array() const;
    bool is_object() const;

    // Number of elements of an array, 0 for any other value.
    std::size_t size() const;

    // Calls visit(Node) on the elements of an array in order, stopping at the first call that
    // gives false. True when every call gave true; false for any value but an array.
    template <typename Visit>
    bool every_element(Visit&& visit) const;

    // The value of an object's member; none when absent or when this is not an object.
    std::optional<Node> member(std::string_view key) const;

    std::optional<std::string_view> string() const;
    std::optional<bool> boolean() const;
    std::optional<std::uint64_t> u64() const;
    std::optional<double> f64() const;

private:
    const Json* json_ = nullptr; // the viewed value when it lives in a Json tree, else element_
    simdjson::dom::element element_;
};

class Document {
public:
    Node root() const { return parser_ ? Node(root_) : Node(value_); }

    // The whole value as a Json tree.
    Json to_json() &&;

private:
    friend std::optional<Document> parse_document(std::string_view text, std::size_t max_depth);
    Document() = default;

    // Holds the parsed text with root_ inside it; null when the text needed the slower reader of
    // nlohmann_reader.h, whose tree is value_.
    fast::Parser parser_;
    simdjson::dom::element root_;
    Json value_;
};

// Refuses exactly what parse_strict refuses.
std::optional<Document> parse_document(std::string_view text, std::size_t max_depth);

// Reading a Node into a field: false (and the field untouched) on refusal, like read_value of a
// Json value.
bool read_value(Node value, std::string& into);
bool read_value(Node value, bool& into);
bool read_value(Node value, std::uint32_t& into);
bool read_value(Node value, std::uint64_t& into);
bool read_value(Node value, double& into);

// A list: every element must read as T, else the whole list is refused.
template <typename T>
bool read_value(Node value, std::vector<T>& into) {
    if (!value.is_array()) {
        return false;
    }
    std::vector<T> items;
    items.reserve(value.size());
    const bool all_read = value.every_element(
        [&](Node element) { return read_value(element, items.emplace_back()); });
    if (!all_read) {
        return false;
    }
    into = std::move(items);
    return true;
}

template <typename Visit>
bool Node::every_element(Visit&& visit) const {
    if (json_ != nullptr) {
        if (!json_->is_array()) {
            return false;
        }
        for (const Json& element : *json_) {
            if (!visit(Node(element))) {
                return false;
            }
        }
        return true;
    }
    simdjson::dom::array array;
    if (element_.get(array) != simdjson::SUCCESS) {
        return false;
    }
    for (const simdjson::dom::element element : array) {
        if (!visit(Node(element))) {
            return false;
        }
    }
    return true;
}

} // namespace corvane::json
