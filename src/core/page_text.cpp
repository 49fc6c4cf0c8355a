#include "core/page_text.h"

#include "address/unicode_text.h"

#include <cstdint>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace corvane {

namespace {

constexpr std::size_t max_title_chars = 300;

bool is_dropped(UChar32 c) {
    return (c >= 0x00 && c <= 0x1F) || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

void append_utf8(std::string& out, UChar32 c) {
    char buffer[U8_MAX_LENGTH];
    int32_t length = 0;
    UBool error = false;
    U8_APPEND(buffer, length, U8_MAX_LENGTH, c, error);
    if (!error) {
        out.append(buffer, static_cast<std::size_t>(length));
    }
}

// Decodes the character at offset and advances offset past it; malformed input gives U+FFFD.
UChar32 next_char(std::string_view text, int32_t& offset) {
    UChar32 c = 0;
    U8_NEXT(text.data(), offset, static_cast<int32_t>(text.size()), c);
    return c < 0 ? 0xFFFD : c;
}

} // namespace

std::string sanitize_page_text(std::string_view text, std::size_t max_chars) {
    std::string result;
    std::size_t kept = 0;
    int32_t offset = 0;
    const auto length = static_cast<int32_t>(text.size());
    while (offset < length && kept < max_chars) {
        const UChar32 c = next_char(text, offset);
        if (!is_dropped(c)) {
            append_utf8(result, c);
            ++kept;
        }
    }
    return result;
}

std::string sanitize_utf8(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    int32_t offset = 0;
    const auto length = static_cast<int32_t>(text.size());
    while (offset < length) {
        append_utf8(result, next_char(text, offset));
    }
    return result;
}

std::string clean_title(std::string_view title) {
    return std::string(text::trim_white_space(sanitize_page_text(title, max_title_chars)));
}

} // namespace corvane
