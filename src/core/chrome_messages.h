#pragma once

// What the chrome page's (and the developer-tools page's) messages do, for the window whose page
// sent them.

#include "core/app.h"
#include "core/user_events.h"
#include "protocol/ui_msg.h"

#include <cstddef>

namespace corvane {

void handle_ui_message(App& app, std::size_t window, UiMsg msg, ControlFlow& flow);

} // namespace corvane
