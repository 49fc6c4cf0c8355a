#pragma once

// Compact JSON text: no space, indentation or line break anywhere. Strings escape only the
// quotation mark, the backslash and the characters below U+0020 (\b \t \n \f \r, the others as
// \u00xx in lower-case hex); the solidus, U+007F and all non-ASCII text are written as UTF-8.
// A string holding invalid UTF-8 has each bad byte written as U+FFFD, so the text always reads
// back. Objects of Json come out in ascending byte order of their keys, objects of OrderedJson in
// insertion order (used for records, which keep their declaration order).

#include <nlohmann/json.hpp>
#include <string>

namespace corvane::json {

using OrderedJson = nlohmann::ordered_json;

std::string write_compact(const nlohmann::json& value);
std::string write_compact(const OrderedJson& value);

} // namespace corvane::json
