#pragma once

// Find in page: the core's side. The page's own window.find searches and its selection is the
// search position; the core keeps no search state.

#include "core/app.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// Queries longer than this many characters are cut.
inline constexpr std::size_t kMaxFindCharacters = 512;

// The script that searches for query (cut first) and returns whether it found it.
std::string find_script(std::string_view query, bool back, bool fresh);

// Searches the window's active tab when it is awake; an empty query only clears the page's
// selection. The answer comes back as FindResult.
void find_in_page(App& app, std::size_t window, std::string_view query, bool back, bool fresh);

// The find bar opened or closed: the chrome strip grows or shrinks; on closing, the page loses
// its highlighted match and gets the keyboard focus back.
void set_findbar_open(App& app, std::size_t window, bool open);

// Writes "Not found" (or nothing) into the find bar of the window that asked.
void handle_find_result(App& app, const event::FindResult& result);

} // namespace corvane
