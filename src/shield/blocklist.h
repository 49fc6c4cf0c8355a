#pragma once

#include <string_view>

namespace corvane {

// The Shield's built-in blocklist (blocklist.txt beside this file), compiled into the program.
// Lines: "#" comments, "##selector" element-hiding rules, otherwise a host with an optional path.
std::string_view builtin_blocklist();

} // namespace corvane
