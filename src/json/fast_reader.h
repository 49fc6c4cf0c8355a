#pragma once

// The usual path of parse_strict and parse_document: simdjson parses the text, validating UTF-8,
// escapes, white space and the grammar many times faster than nlohmann's lexer, and a walk over
// its result adds what simdjson does not check (duplicate keys, nesting depth). simdjson cannot
// give two things as nlohmann does: numbers beyond 64-bit integers or doubles (refused there,
// floats or refusals in nlohmann) and the sign of the integer -0. Texts that may hold either are
// left undecided, for the slower reader of nlohmann_reader.h.

#include "json/strict_reader.h"
#include <memory>
#include <simdjson.h>

namespace corvane::json::fast {

enum class Verdict { accepted, refused, undecided };

// Puts a parser back as the one kept by the thread, or frees it.
struct GiveBack {
    void operator()(simdjson::dom::parser* parser) const;
};

// A parser borrowed from the thread, so that messages reuse its buffers.
using Parser = std::unique_ptr<simdjson::dom::parser, GiveBack>;
Parser borrow_parser();

// Parses text into parser and checks all of it; root is the top value when accepted.
Verdict read(simdjson::dom::parser& parser, std::string_view text, std::size_t max_depth,
             simdjson::dom::element& root);

// Parses text into a Json tree, checking as it builds.
Verdict read_tree(std::string_view text, std::size_t max_depth, Json& tree);

// The Json tree of a value that read() accepted.
Json tree_of(simdjson::dom::element root);

} // namespace corvane::json::fast
