#include "url/utf8.h"

namespace corvane {
namespace {

// Length of the well-formed sequence at `i`, or 0 when it is ill-formed; `skip` then receives
// the length of its maximal subpart (at least 1), which one U+FFFD replaces.
std::size_t sequence_length(std::string_view s, std::size_t i, std::size_t& skip) {
    auto lead = static_cast<unsigned char>(s[i]);
    skip = 1;
    if (lead < 0x80) {
        return 1;
    }
    std::size_t needed = 0;
    unsigned char lower = 0x80;
    unsigned char upper = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        lower = lead == 0xE0 ? 0xA0 : 0x80;
        upper = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        lower = lead == 0xF0 ? 0x90 : 0x80;
        upper = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    for (std::size_t k = 1; k <= needed; ++k) {
        if (i + k >= s.size()) {
            return 0;
        }
        auto next = static_cast<unsigned char>(s[i + k]);
        if (next < lower || next > upper) {
            return 0;
        }
        lower = 0x80;
        upper = 0xBF;
        skip = k + 1;
    }
    return needed + 1;
}

} // namespace

bool is_valid_utf8(std::string_view bytes) {
    std::size_t skip = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = sequence_length(bytes, i, skip);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string utf8_with_replacements(std::string_view bytes) {
    if (is_valid_utf8(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size() + 8);
    std::size_t skip = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t length = sequence_length(bytes, i, skip);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            i += skip;
        } else {
            out.append(bytes.substr(i, length));
            i += length;
        }
    }
    return out;
}

} // namespace corvane
