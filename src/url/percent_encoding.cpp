#include "url/percent_encoding.h"

#include "url/ascii.h"

#include <array>
#include <cstdint>

namespace corvane {
namespace {

constexpr std::string_view hex_digits = "0123456789ABCDEF";

// One bit per ASCII byte; built from the C0 controls, DEL and the extra bytes of each set.
struct AsciiSet {
    std::array<std::uint64_t, 2> bits{};

    constexpr AsciiSet with(std::string_view extra) const {
        AsciiSet copy = *this;
        for (char c : extra) {
            auto b = static_cast<unsigned char>(c);
            copy.bits[b / 64] |= std::uint64_t{1} << (b % 64);
        }
        return copy;
    }
    constexpr bool has(unsigned char b) const { return (bits[b / 64] >> (b % 64)) & 1U; }
};

constexpr AsciiSet make_c0_control_set() {
    AsciiSet set;
    set.bits[0] = 0xFFFFFFFFULL;          // 0x00 to 0x1F
    set.bits[1] = std::uint64_t{1} << 63; // 0x7F
    return set;
}

constexpr AsciiSet c0_control_set = make_c0_control_set();
constexpr AsciiSet fragment_set = c0_control_set.with(" \"<>`");
constexpr AsciiSet query_set = c0_control_set.with(" \"#<>");
constexpr AsciiSet special_query_set = query_set.with("'");
constexpr AsciiSet path_set = query_set.with("?^`{}");
constexpr AsciiSet userinfo_set = path_set.with("/:;=@[\\]|");
constexpr AsciiSet component_set = userinfo_set.with("$%&+,");

constexpr const AsciiSet& ascii_set(EncodeSet set) {
    switch (set) {
    case EncodeSet::C0Control:
        return c0_control_set;
    case EncodeSet::Fragment:
        return fragment_set;
    case EncodeSet::Query:
        return query_set;
    case EncodeSet::SpecialQuery:
        return special_query_set;
    case EncodeSet::Path:
        return path_set;
    case EncodeSet::Userinfo:
        return userinfo_set;
    case EncodeSet::Component:
        break;
    }
    return component_set;
}

void append_escaped(std::string& out, unsigned char byte) {
    out.push_back('%');
    out.push_back(hex_digits[byte >> 4]);
    out.push_back(hex_digits[byte & 0xF]);
}

} // namespace

bool in_encode_set(unsigned char byte, EncodeSet set) {
    return byte >= 0x80 || ascii_set(set).has(byte);
}

void percent_encode_into(std::string& out, std::string_view bytes, EncodeSet set) {
    const AsciiSet& ascii = ascii_set(set);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 || ascii.has(b)) {
            append_escaped(out, b);
        } else {
            out.push_back(c);
        }
    }
}

std::string percent_encode(std::string_view bytes, EncodeSet set) {
    std::string out;
    out.reserve(bytes.size());
    percent_encode_into(out, bytes, set);
    return out;
}

std::string percent_decode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && ascii::hex_value(text[i + 1]) >= 0 &&
            ascii::hex_value(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(ascii::hex_value(text[i + 1]) * 16 +
                                            ascii::hex_value(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::string form_urlencoded_byte_serialize(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        bool keep = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') ||
                    b == '*' || b == '-' || b == '.' || b == '_';
        if (keep) {
            out.push_back(c);
        } else if (b == ' ') {
            out.push_back('+');
        } else {
            append_escaped(out, b);
        }
    }
    return out;
}

} // namespace corvane
