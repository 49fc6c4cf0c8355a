#include "json/document.h"

#include "json/nlohmann_reader.h"
#include <iterator>
#include <limits>

namespace corvane::json {

namespace {

namespace dom = simdjson::dom;

template <typename T>
std::optional<T> value_of(simdjson::simdjson_result<T>&& result) {
    T value{};
    if (std::move(result).get(value) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<Document> parse_document(std::string_view text, std::size_t max_depth) {
    if (has_bytes_the_parser_would_hide(text)) {
        return std::nullopt;
    }
    Document document;
    document.parser_ = fast::borrow_parser();
    switch (fast::read(*document.parser_, text, max_depth, document.root_)) {
    case fast::Verdict::accepted:
        return document;
    case fast::Verdict::refused:
        return std::nullopt;
    case fast::Verdict::undecided:
        break;
    }
    document.parser_.reset();
    std::optional<Json> value = parse_strict_with_nlohmann(text, max_depth);
    if (!value) {
        return std::nullopt;
    }
    document.value_ = std::move(*value);
    return document;
}

Json Document::to_json() && {
    return parser_ ? fast::tree_of(root_) : std::move(value_);
}

bool Node::is_array() const {
    return json_ != nullptr ? json_->is_array() : element_.type() == dom::element_type::ARRAY;
}

bool Node::is_object() const {
    return json_ != nullptr ? json_->is_object() : element_.type() == dom::element_type::OBJECT;
}

std::size_t Node::size() const {
    if (json_ != nullptr) {
        return json_->is_array() ? json_->size() : 0;
    }
    dom::array array;
    if (element_.get(array) != simdjson::SUCCESS) {
        return 0;
    }
    // The stored count stops at 2^24 - 1; beyond that only counting tells.
    constexpr std::size_t kCountLimit = (std::size_t{1} << 24) - 1;
    const std::size_t stored = array.size();
    return stored < kCountLimit
               ? stored
               : static_cast<std::size_t>(std::distance(array.begin(), array.end()));
}

std::optional<Node> Node::member(std::string_view key) const {
    if (json_ != nullptr) {
        if (!json_->is_object()) {
            return std::nullopt;
        }
        const auto found = json_->find(key);
        return found == json_->end() ? std::nullopt : std::optional<Node>(Node(*found));
    }
    dom::object object;
    dom::element found;
    if (element_.get(object) != simdjson::SUCCESS ||
        object.at_key(key).get(found) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    return Node(found);
}

std::optional<std::string_view> Node::string() const {
    if (json_ != nullptr) {
        return json_->is_string()
                   ? std::optional(std::string_view(json_->get_ref<const std::string&>()))
                   : std::nullopt;
    }
    return value_of(element_.get_string());
}

std::optional<bool> Node::boolean() const {
    return json_ != nullptr ? as_bool(*json_) : value_of(element_.get_bool());
}

// A negative integer does not convert; -0 never reaches a parsed document as an integer zero.
std::optional<std::uint64_t> Node::u64() const {
    if (json_ != nullptr) {
        return as_u64(*json_);
    }
    return value_of(element_.get_uint64());
}

std::optional<double> Node::f64() const {
    return json_ != nullptr ? as_f64(*json_) : value_of(element_.get_double());
}

namespace {

template <typename T>
bool store(const std::optional<T>& read, T& into) {
    if (!read) {
        return false;
    }
    into = *read;
    return true;
}

} // namespace

bool read_value(Node value, std::string& into) {
    const std::optional<std::string_view> text = value.string();
    if (!text) {
        return false;
    }
    into.assign(*text);
    return true;
}

bool read_value(Node value, bool& into) {
    return store(value.boolean(), into);
}

bool read_value(Node value, std::uint32_t& into) {
    const std::optional<std::uint64_t> wide = value.u64();
    if (!wide || *wide > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    into = static_cast<std::uint32_t>(*wide);
    return true;
}

bool read_value(Node value, std::uint64_t& into) {
    return store(value.u64(), into);
}

bool read_value(Node value, double& into) {
    return store(value.f64(), into);
}

} // namespace corvane::json
