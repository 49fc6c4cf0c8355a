#pragma once

// Unicode text rules for typed addresses and suggestions, on UTF-8 and through ICU: White_Space
// trimming, full lower-casing, the Alphabetic property and cutting by characters. A character
// is a Unicode scalar value; an ill-formed byte counts as one character that is neither white
// space nor alphabetic.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane::text {

std::string_view trim_white_space(std::string_view text);
bool contains_white_space(std::string_view text);

// Full Unicode lower-casing (root locale, final sigma included).
std::string to_lower(std::string_view text);
// The same into `out`, reusing its storage.
void to_lower_into(std::string_view text, std::string& out);

// Only A-Z change.
std::string ascii_lower(std::string_view text);

// True when `text` is not empty and every character has the Alphabetic property.
bool is_alphabetic(std::string_view text);

// The text with every invisible character (format characters such as the bidirectional controls,
// and the other default-ignorable ones) percent-encoded as a URL sends it, so that what is read is
// what loads.
std::string escape_invisible(std::string_view text);

// The first `count` characters of `text`.
std::string_view first_characters(std::string_view text, std::size_t count);

} // namespace corvane::text
