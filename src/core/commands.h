#pragma once

// Commands: short ids naming one user action, from the menu bar and the chrome page. They act
// on the current window, whichever window's page sent them.

#include "core/app.h"
#include "core/user_events.h"

#include <string_view>

namespace corvane {

void run_command(App& app, std::string_view id, ControlFlow& flow);

} // namespace corvane
