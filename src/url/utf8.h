#pragma once

// UTF-8 helpers for URL text, which arrives as bytes.

#include <string>
#include <string_view>

namespace corvane {

// `bytes` as valid UTF-8: each ill-formed sequence becomes U+FFFD, as a UTF-8 decoder would.
std::string utf8_with_replacements(std::string_view bytes);

bool is_valid_utf8(std::string_view bytes);

} // namespace corvane
