#include "json/nlohmann_reader.h"

#include <utility>
#include <vector>

namespace corvane::json {

namespace {

// Builds the value from nlohmann's SAX events, adding the checks its own DOM parser does not
// make: duplicate keys and the nesting limit. Returning false from any event stops the parse.
class StrictBuilder {
public:
    explicit StrictBuilder(std::size_t max_depth) : max_depth_(max_depth) {}

    bool null() { return add(Json(nullptr)); }
    bool boolean(bool value) { return add(Json(value)); }
    bool number_integer(Json::number_integer_t value) { return add(Json(value)); }
    bool number_unsigned(Json::number_unsigned_t value) { return add(Json(value)); }
    bool number_float(Json::number_float_t value, const Json::string_t& /*text*/) {
        return add(Json(value));
    }
    bool string(Json::string_t& value) { return add(Json(std::move(value))); }
    bool binary(Json::binary_t& /*value*/) { return false; }

    bool start_object(std::size_t /*size*/) { return open(Json::object()); }
    bool start_array(std::size_t /*size*/) { return open(Json::array()); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(Json::string_t& name) {
        auto& members = open_.back()->get_ref<Json::object_t&>();
        const auto [member, added] = members.emplace(std::move(name), nullptr);
        pending_member_ = &member->second;
        return added;
    }

    bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                     const nlohmann::detail::exception& /*error*/) {
        return false;
    }

    Json take() { return std::move(root_); }

private:
    // Places a finished value and returns where it now lives.
    Json* place(Json&& value) {
        if (open_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Json& parent = *open_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        *pending_member_ = std::move(value);
        return pending_member_;
    }

    bool add(Json&& value) {
        place(std::move(value));
        return true;
    }

    bool open(Json&& container) {
        if (open_.size() >= max_depth_) {
            return false;
        }
        open_.push_back(place(std::move(container)));
        return true;
    }

    bool close() {
        open_.pop_back();
        return true;
    }

    std::size_t max_depth_;
    Json root_;
    std::vector<Json*> open_;
    Json* pending_member_ = nullptr;
};

} // namespace

bool has_bytes_the_parser_would_hide(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF") || text.find('\0') != std::string_view::npos;
}

std::optional<Json> parse_strict_with_nlohmann(std::string_view text, std::size_t max_depth) {
    if (has_bytes_the_parser_would_hide(text)) {
        return std::nullopt;
    }
    StrictBuilder builder(max_depth);
    const bool accepted = Json::sax_parse(text.data(), text.data() + text.size(), &builder,
                                          nlohmann::detail::input_format_t::json, /*strict=*/true,
                                          /*ignore_comments=*/false);
    if (!accepted) {
        return std::nullopt;
    }
    return builder.take();
}

} // namespace corvane::json
