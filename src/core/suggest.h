#pragma once

// The address field's suggestions: the answer to what the user has typed so far.

#include "core/app.h"

#include <cstddef>
#include <string_view>

namespace corvane {

// Builds the rows and the inline completion for q from the bookmarks and history and hands them
// to the window's chrome page.
void suggest(App& app, std::size_t window, std::string_view q, bool complete);

} // namespace corvane
