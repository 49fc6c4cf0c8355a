#pragma once

// Settings the user changes in the chrome page's settings sheet.

#include "core/app.h"

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string_view>

namespace corvane {

// Checks the value for the key, stores it, writes the settings file and shows the change in
// every window. An unknown key or a value of the wrong type changes nothing.
void apply_setting(App& app, std::size_t window, std::string_view key, nlohmann::json value);

} // namespace corvane
