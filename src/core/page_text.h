#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// Drops control characters (U+0000-U+001F, U+007F-U+009F) and the bidirectional embedding,
// override and isolate controls, and keeps at most max_chars of the remaining characters. The
// result is valid UTF-8: a malformed byte sequence counts as one U+FFFD.
std::string sanitize_page_text(std::string_view text, std::size_t max_chars);

// The text with each malformed UTF-8 sequence replaced by U+FFFD and nothing else changed.
std::string sanitize_utf8(std::string_view text);

// A page title as tabs and history keep it: sanitised to 300 characters, then trimmed.
std::string clean_title(std::string_view title);

} // namespace corvane
