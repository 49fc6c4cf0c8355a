#pragma once

// Settings the user changes in the chrome page's settings sheet.

#include "core/app.h"

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string_view>

namespace corvane {

// Checks the value for the key, stores it, writes the settings file, refreshes the new tab
// snapshot and renders every window. An unknown key, an unknown engine or a value of the wrong
// type changes nothing; a number out of range (or no number) for the two number keys keeps the
// setting as it was, yet the file is still written and every window rendered.
void apply_setting(App& app, std::size_t window, std::string_view key, nlohmann::json value);

} // namespace corvane
