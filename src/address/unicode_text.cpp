#include "address/unicode_text.h"

#include <cstring>
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

// Lower-cases A-Z of ASCII text eight bytes at a time; false (with `out` unspecified) when a
// byte is not ASCII. Every history entry and bookmark goes through here on each keystroke.
bool ascii_to_lower(std::string_view text, std::string& out) {
    constexpr std::uint64_t high_bits = 0x8080808080808080ULL;
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    out.resize(text.size());
    const char* src = text.data();
    char* dst = out.data();
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, src + i, 8);
        if ((word & high_bits) != 0) {
            return false;
        }
        // A byte's high bit is set where it is at least 'A', and where it is above 'Z'.
        std::uint64_t at_least_a = word + ones * (0x80 - 'A');
        std::uint64_t above_z = word + ones * (0x7F - 'Z');
        std::uint64_t upper = at_least_a & ~above_z & high_bits;
        word |= upper >> 2;
        std::memcpy(dst + i, &word, 8);
    }
    for (; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(src[i]);
        if (c >= 0x80) {
            return false;
        }
        dst[i] = static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
    }
    return true;
}

void to_lower_into(std::string_view text, std::string& out) {
    if (ascii_to_lower(text, out)) {
        return;
    }
    out.clear();
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

std::string escape_invisible(std::string_view text) {
    const std::uint8_t* s = bytes_of(text);
    int32_t length = indexable_length(text);
    std::string out;
    out.reserve(text.size());
    for (int32_t i = 0; i < length;) {
        const int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(s, i, length, c);
        const std::string_view character =
            text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start));
        if (c < 0 || (u_charType(c) != U_FORMAT_CHAR &&
                      !u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT))) {
            out += character;
            continue;
        }
        for (const char byte : character) {
            constexpr char kHex[] = "0123456789ABCDEF";
            const auto b = static_cast<unsigned char>(byte);
            out += {'%', kHex[b >> 4], kHex[b & 0xF]};
        }
    }
    if (length < static_cast<int32_t>(text.size())) {
        out += text.substr(static_cast<std::size_t>(length));
    }
    return out;
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
