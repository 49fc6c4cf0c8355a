#pragma once

// The one dispatcher of user events: each arm finds the window or tab the event names by id
// and drops the event when it is gone.

#include "core/app.h"

#include <cstddef>

namespace corvane {

// Set to exit by "quit"; once exit, it stays exit.
enum class ControlFlow { wait, exit };

// New-window URLs of this many bytes or more are dropped.
inline constexpr std::size_t kMaxNewWindowUrlBytes = 8192;

void handle_user_event(App& app, UserEvent event, ControlFlow& flow);

} // namespace corvane
