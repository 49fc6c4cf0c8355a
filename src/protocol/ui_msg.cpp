#include "protocol/ui_msg.h"

#include "json/strict_reader.h"
#include <array>
#include <span>

namespace corvane {

namespace {

using json::Json;

// Field readers: exact JSON types only. Strings and values are moved out of the parsed tree.
bool take(Json& value, std::string& into) {
    if (!value.is_string()) {
        return false;
    }
    into = std::move(value.get_ref<std::string&>());
    return true;
}
bool take(Json& value, bool& into) {
    return json::read_value(value, into);
}
bool take(Json& value, std::uint64_t& into) {
    return json::read_value(value, into);
}
bool take(Json& value, double& into) {
    return json::read_value(value, into);
}
bool take(Json& value, Json& into) {
    into = std::move(value);
    return true;
}

constexpr std::size_t kMaxFields = 3;
using FieldValues = std::array<Json*, kMaxFields>;

// Builds variant I from its field values, in the order of its keys.
template <std::size_t I, auto... Members>
std::optional<UiMsg> build(const FieldValues& values) {
    std::variant_alternative_t<I, UiMsg> msg{};
    std::size_t at = 0;
    if (!(take(*values[at++], msg.*Members) && ...)) {
        return std::nullopt;
    }
    return UiMsg(std::in_place_index<I>, std::move(msg));
}

struct VariantRow {
    std::string_view name;
    std::array<std::string_view, kMaxFields> keys;
    std::size_t field_count;
    std::optional<UiMsg> (*build)(const FieldValues&);
};

template <std::size_t I, auto... Members, typename... Keys>
constexpr VariantRow row(std::string_view name, Keys... keys) {
    static_assert(sizeof...(Members) == sizeof...(Keys));
    return {name, {keys...}, sizeof...(Keys), &build<I, Members...>};
}

using namespace msg;

// Wire names and field keys, in variant order; the table index is the variant index.
constexpr std::array<VariantRow, kUiMsgVariantCount> kVariants{
    row<0>("ready"),
    row<1>("drag"),
    row<2>("zoomWindow"),
    row<3, &Navigate::text, &Navigate::new_tab>("navigate", "text", "newTab"),
    row<4, &OpenUrl::url, &OpenUrl::new_tab>("openUrl", "url", "newTab"),
    row<5>("newTab"),
    row<6, &CloseTab::id>("closeTab", "id"),
    row<7, &SelectTab::id>("selectTab", "id"),
    row<8, &MoveTab::id, &MoveTab::to>("moveTab", "id", "to"),
    row<9>("back"),
    row<10>("forward"),
    row<11>("reload"),
    row<12>("stop"),
    row<13, &Overlay::on>("overlay", "on"),
    row<14, &Suggest::q, &Suggest::complete>("suggest", "q", "complete"),
    row<15>("toggleBookmark"),
    row<16, &Cmd::cmd>("cmd", "cmd"),
    row<17, &Find::q, &Find::back, &Find::fresh>("find", "q", "back", "fresh"),
    row<18, &Findbar::open>("findbar", "open"),
    row<19, &Panel::name>("panel", "name"),
    row<20, &Setting::key, &Setting::value>("setting", "key", "value"),
    row<21, &ClearData::history, &ClearData::site>("clearData", "history", "site"),
    row<22, &RemoveBookmark::url>("removeBookmark", "url"),
    row<23, &ShieldSite::on>("shieldSite", "on"),
    row<24, &RevealDownload::index>("revealDownload", "index"),
    row<25>("focusPage"),
    row<26, &DevEval::id, &DevEval::code>("devEval", "id", "code"),
    row<27, &DevResize::h>("devResize", "h"),
    row<28>("devClose"),
};

const VariantRow* find_variant(const Json& name) {
    if (!name.is_string()) {
        return nullptr;
    }
    const auto index = ui_msg_variant_from_str(name.get_ref<const std::string&>());
    return index ? &kVariants[*index] : nullptr;
}

// Object form: "t" anywhere among the members, fields by key, other members ignored. (The reader
// has already refused any key given twice.)
std::optional<UiMsg> decode_object(Json& object) {
    const auto tag = object.find("t");
    if (tag == object.end()) {
        return std::nullopt;
    }
    const VariantRow* variant = find_variant(*tag);
    if (!variant) {
        return std::nullopt;
    }
    FieldValues values{};
    for (std::size_t i = 0; i < variant->field_count; ++i) {
        const auto member = object.find(variant->keys[i]);
        if (member == object.end()) {
            return std::nullopt;
        }
        values[i] = &*member;
    }
    return variant->build(values);
}

// Positional form: the wire name, then exactly the variant's fields in order.
std::optional<UiMsg> decode_array(Json& array) {
    if (array.empty()) {
        return std::nullopt;
    }
    const VariantRow* variant = find_variant(array[0]);
    if (!variant || array.size() != variant->field_count + 1) {
        return std::nullopt;
    }
    FieldValues values{};
    for (std::size_t i = 0; i < variant->field_count; ++i) {
        values[i] = &array[i + 1];
    }
    return variant->build(values);
}

} // namespace

std::optional<std::size_t> ui_msg_variant_from_str(std::string_view name) {
    for (std::size_t i = 0; i < kVariants.size(); ++i) {
        if (kVariants[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

std::string_view ui_msg_wire_name(const UiMsg& msg) {
    return kVariants[msg.index()].name;
}

std::optional<UiMsg> parse_ui_msg(std::string_view body) {
    if (body.size() > kMaxUiMsgBytes) {
        return std::nullopt;
    }
    auto parsed = json::parse_strict(body, json::kMaxDepth);
    if (!parsed) {
        return std::nullopt;
    }
    if (parsed->is_object()) {
        return decode_object(*parsed);
    }
    if (parsed->is_array()) {
        return decode_array(*parsed);
    }
    return std::nullopt;
}

} // namespace corvane
