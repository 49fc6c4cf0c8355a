#include "url/idna.h"

#include <array>
#include <memory>
#include <unicode/uidna.h>
#include <unicode/utf8.h>

namespace corvane {
namespace {

struct IdnaCloser {
    void operator()(UIDNA* idna) const { uidna_close(idna); }
};

const UIDNA* uts46() {
    static const std::unique_ptr<UIDNA, IdnaCloser> idna = [] {
        UErrorCode status = U_ZERO_ERROR;
        UIDNA* opened = uidna_openUTS46(
            UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ | UIDNA_NONTRANSITIONAL_TO_ASCII, &status);
        return std::unique_ptr<UIDNA, IdnaCloser>(U_SUCCESS(status) ? opened : nullptr);
    }();
    return idna.get();
}

// ICU always reports these; with the hyphen and DNS-length checks off they are not errors.
constexpr std::uint32_t ignored_errors =
    UIDNA_ERROR_EMPTY_LABEL | UIDNA_ERROR_LABEL_TOO_LONG | UIDNA_ERROR_DOMAIN_NAME_TOO_LONG |
    UIDNA_ERROR_LEADING_HYPHEN | UIDNA_ERROR_TRAILING_HYPHEN | UIDNA_ERROR_HYPHEN_3_4;

// Mapping-table rows that changed after Unicode 15, the version the system ICU carries: each
// range maps to consecutive code points from `target`, or is ignored when `target` is 0.
struct TableUpdate {
    char32_t first;
    char32_t last;
    char32_t target;
};

constexpr std::array<TableUpdate, 19> table_updates{{
    {0x04C0, 0x04C0, 0x04CF}, // CYRILLIC LETTER PALOCHKA
    {0x10A0, 0x10C5, 0x2D00}, // Georgian capitals map to their small letters
    {0x10C7, 0x10C7, 0x2D27},   {0x10CD, 0x10CD, 0x2D2D},    {0x115F, 0x1160, 0}, // Hangul fillers
    {0x17B4, 0x17B5, 0},        // Khmer inherent vowels
    {0x180E, 0x180E, 0},        // MONGOLIAN VOWEL SEPARATOR
    {0x1E9E, 0x1E9E, 0x00DF},   // capital sharp s keeps its ß
    {0x206A, 0x206F, 0},        // deprecated format characters
    {0x2132, 0x2132, 0x214E},   // TURNED CAPITAL F
    {0x2183, 0x2183, 0x2184},   // ROMAN NUMERAL REVERSED ONE HUNDRED
    {0x3164, 0x3164, 0},        // HANGUL FILLER
    {0xFFA0, 0xFFA0, 0},        // HALFWIDTH HANGUL FILLER
    {0x1D173, 0x1D17A, 0},      // musical symbol format characters
    {0x2F868, 0x2F868, 0x36FC}, // CJK compatibility ideographs now mapped
    {0x2F874, 0x2F874, 0x5F53}, {0x2F91F, 0x2F91F, 0x243AB}, {0x2F95F, 0x2F95F, 0x7AEE},
    {0x2F9BF, 0x2F9BF, 0x45D7},
}};

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    }
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
}

// Applies the newer mapping rows ahead of ICU's own mapping.
std::string apply_table_updates(std::string_view domain) {
    std::string out;
    out.reserve(domain.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(domain.data());
    auto length = static_cast<int32_t>(domain.size());
    for (int32_t i = 0; i < length;) {
        int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        const TableUpdate* update = nullptr;
        for (const TableUpdate& row : table_updates) {
            if (c >= 0 && static_cast<char32_t>(c) >= row.first &&
                static_cast<char32_t>(c) <= row.last) {
                update = &row;
            }
        }
        if (update == nullptr) {
            out.append(domain.substr(static_cast<std::size_t>(start),
                                     static_cast<std::size_t>(i - start)));
        } else if (update->target != 0) {
            append_utf8(out, update->target + (static_cast<char32_t>(c) - update->first));
        }
    }
    return out;
}

bool is_ascii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> run_uts46(std::string_view domain) {
    const UIDNA* idna = uts46();
    if (idna == nullptr || domain.size() > 0x7FFFFFF) {
        return std::nullopt;
    }
    std::string out(domain.size() * 2 + 64, '\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        UErrorCode status = U_ZERO_ERROR;
        UIDNAInfo info = UIDNA_INFO_INITIALIZER;
        int32_t length =
            uidna_nameToASCII_UTF8(idna, domain.data(), static_cast<int32_t>(domain.size()),
                                   out.data(), static_cast<int32_t>(out.size()), &info, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.assign(static_cast<std::size_t>(length) + 1, '\0');
            continue;
        }
        if (U_FAILURE(status) || (info.errors & ~ignored_errors) != 0) {
            return std::nullopt;
        }
        out.resize(static_cast<std::size_t>(length));
        return out;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> domain_to_ascii(std::string_view domain) {
    if (is_ascii(domain)) {
        std::string lowered(domain);
        for (char& c : lowered) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return lowered;
    }
    std::optional<std::string> result = run_uts46(apply_table_updates(domain));
    if (!result || result->empty()) {
        return std::nullopt;
    }
    return result;
}

} // namespace corvane
