#include "address/unicode_text.h"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace corvane::text {
namespace {

const std::uint8_t* bytes_of(std::string_view text) {
    return reinterpret_cast<const std::uint8_t*>(text.data());
}

// ICU indexes with int32_t; longer texts are walked in the part it can index, which is far
// beyond any limit the callers apply.
int32_t indexable_length(std::string_view text) {
    constexpr std::size_t max = 0x7FFFFFFF;
    return static_cast<int32_t>(text.size() < max ? text.size() : max);
}

bool is_ascii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string_view trim_white_space(std::string_view text) {
    const std::uint8_t* s = bytes_of(text);
    int32_t length = indexable_length(text);
    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(s, next, length, c);
        if (c < 0 || !u_isUWhiteSpace(c)) {
            break;
        }
        start = next;
    }
    int32_t end = length;
    while (end > start) {
        // Back up over at most three continuation bytes to the sequence's first byte.
        int32_t previous = end - 1;
        while (previous > start && end - previous < 4 && (s[previous] & 0xC0) == 0x80) {
            --previous;
        }
        int32_t next = previous;
        UChar32 c = 0;
        U8_NEXT(s, next, end, c);
        if (next != end || c < 0 || !u_isUWhiteSpace(c)) {
            break;
        }
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

bool contains_white_space(std::string_view text) {
    const std::uint8_t* s = bytes_of(text);
    int32_t length = indexable_length(text);
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(s, i, length, c);
        if (c >= 0 && u_isUWhiteSpace(c)) {
            return true;
        }
    }
    return false;
}

void to_lower_into(std::string_view text, std::string& out) {
    out.clear();
    if (is_ascii(text)) {
        out.assign(text);
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return;
    }
    icu::StringByteSink<std::string> sink(&out, static_cast<int32_t>(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    icu::CaseMap::utf8ToLower("", 0, icu::StringPiece(text.data(), indexable_length(text)), sink,
                              nullptr, status);
    if (U_FAILURE(status)) {
        out.assign(text);
    }
}

std::string to_lower(std::string_view text) {
    std::string out;
    to_lower_into(text, out);
    return out;
}

std::string ascii_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

bool is_alphabetic(std::string_view text) {
    const std::uint8_t* s = bytes_of(text);
    int32_t length = indexable_length(text);
    if (length == 0) {
        return false;
    }
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(s, i, length, c);
        if (c < 0 || !u_hasBinaryProperty(c, UCHAR_ALPHABETIC)) {
            return false;
        }
    }
    return true;
}

std::string_view first_characters(std::string_view text, std::size_t count) {
    const std::uint8_t* s = bytes_of(text);
    int32_t length = indexable_length(text);
    int32_t i = 0;
    for (std::size_t n = 0; n < count && i < length; ++n) {
        UChar32 c = 0;
        U8_NEXT(s, i, length, c);
    }
    return text.substr(0, static_cast<std::size_t>(i));
}

} // namespace corvane::text
