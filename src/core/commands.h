#pragma once

// Commands: short ids naming one user action, from the menu bar and the chrome page. They act
// on the current window, whichever window's page sent them.

#include "core/app.h"
#include "core/user_events.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace corvane {

// Runs the command with exactly this id (no trimming, no case folding); an unknown id, or one
// that needs a window, an active tab or an awake tab that is not there, does nothing.
void run_command(App& app, std::string_view id, ControlFlow& flow);

// The number of a tab-number id ("tab3" gives 3): "tab", an optional "+", then decimal digits
// whose value fits in 64 bits. None for anything else.
std::optional<std::uint64_t> tab_number(std::string_view id);

} // namespace corvane
