#pragma once

// The program's start: builds the browser state on the platform and runs the event loop.

#include "platform/platform.h"

#include <string>
#include <vector>

namespace corvane {

// Runs the browser until the loop ends (the "quit" command, closing the last window, SIGINT,
// SIGTERM or SIGHUP), then saves the session (while a normal window is open) and the store;
// returns the exit code. A launch while another instance runs hands its arguments over and
// returns at once.
int run_browser(platform::Platform& platform, const std::vector<std::string>& arguments);

} // namespace corvane
