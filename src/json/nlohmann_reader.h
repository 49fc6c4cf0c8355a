#pragma once

// The reading rules of parse_strict applied with nlohmann's own lexer. It is several times slower
// than parse_strict's usual path but represents every number nlohmann does (integers beyond 64
// bits become floats), so parse_strict hands it the texts its usual path cannot decide, and the
// fuzzers hold the two paths against each other.

#include "json/strict_reader.h"

namespace corvane::json {

std::optional<Json> parse_strict_with_nlohmann(std::string_view text, std::size_t max_depth);

// nlohmann skips a leading byte order mark and takes a NUL byte for the end of the input, so
// "{}\0junk" would pass; neither belongs in plain JSON text.
bool has_bytes_the_parser_would_hide(std::string_view text);

} // namespace corvane::json
