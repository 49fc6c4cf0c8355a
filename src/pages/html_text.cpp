#include "pages/html_text.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

namespace corvane {

namespace {

bool is_alphanumeric(UChar32 c) {
    if (u_hasBinaryProperty(c, UCHAR_ALPHABETIC)) {
        return true;
    }
    switch (u_charType(c)) {
    case U_DECIMAL_DIGIT_NUMBER:
    case U_LETTER_NUMBER:
    case U_OTHER_NUMBER:
        return true;
    default:
        return false;
    }
}

// Full (not simple) upper-case mapping without language rules, so "ß" gives "SS".
std::string to_upper_utf8(UChar32 c) {
    UChar in[2];
    int32_t in_length = 0;
    U16_APPEND_UNSAFE(in, in_length, c);
    UChar upper[8];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t upper_length = u_strToUpper(upper, 8, in, in_length, "", &status);
    if (U_FAILURE(status)) {
        return {};
    }
    std::string out;
    for (int32_t i = 0; i < upper_length;) {
        UChar32 mapped;
        U16_NEXT(upper, i, upper_length, mapped);
        char bytes[U8_MAX_LENGTH];
        int32_t length = 0;
        U8_APPEND_UNSAFE(bytes, length, mapped);
        out.append(bytes, static_cast<std::size_t>(length));
    }
    return out;
}

} // namespace

std::string html_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '\'':
            out += "&#39;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '&':
            out += "&amp;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string_view first_chars(std::string_view text, std::size_t count) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    int32_t at = 0;
    for (std::size_t taken = 0; taken < count && at < length; ++taken) {
        U8_FWD_1(bytes, at, length);
    }
    return text.substr(0, static_cast<std::size_t>(at));
}

std::string initial_letter(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t at = 0; at < length;) {
        UChar32 c;
        U8_NEXT(bytes, at, length, c);
        if (c >= 0 && is_alphanumeric(c)) {
            return to_upper_utf8(c);
        }
    }
    return {};
}

} // namespace corvane
