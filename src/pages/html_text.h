#pragma once

// Text helpers for the one page the browser generates itself.

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// Replaces ' < > " & with &#39; &lt; &gt; &quot; &amp; and copies everything else unchanged.
std::string html_escape(std::string_view text);

// The first `count` characters (Unicode scalar values) of UTF-8 text.
std::string_view first_chars(std::string_view text, std::size_t count);

// The first alphabetic or numeric character of the text in its full upper-case form (which may
// be longer than one character, as for "ß"), or "" when the text has none.
std::string initial_letter(std::string_view text);

} // namespace corvane
