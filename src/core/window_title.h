#pragma once

// What names a window and its tabs to the desktop: the task bar and window switchers show the
// active tab's name with the browser's.

#include "core/app.h"

#include <string>
#include <string_view>

namespace corvane {

// The file name of a file: URL, as its user named it (percent escapes decoded); empty for any
// other URL and for a file: URL without a name ("file:///").
std::string file_url_name(std::string_view url);

// A tab's name: its title, else the host of its page, else the name of its local file; empty
// when it has none of them (a new tab that has not loaded yet).
std::string tab_name(const Tab& tab);

// "Name — Corvane" for the active tab's name, "Corvane" without one; private windows add
// " (Private)".
std::string window_title(const BrowserWindow& window);

} // namespace corvane
