// Corvane: a desktop web browser on GTK 4 and WebKitGTK 6.0.
//
// Where to start reading: core/browser.cpp builds the browser state and runs the event loop;
// core/event_loop.cpp opens the first windows and hands every event on; core/user_events.cpp is
// the one dispatcher of what pages and web views report. The core talks to the toolkit only
// through the interfaces in platform/, implemented in platform/gtk/. store/ keeps the user's
// data, address/ turns typed text into URLs, pages/ serves the corvane:// pages.

#include "core/browser.h"
#include "core/session_bus.h"
#include "platform/gtk/gtk_platform.h"
#include "platform/startup_trace.h"

#include <string>
#include <vector>

int main(int argc, char** argv) {
    corvane::platform::startup_mark("main");
    const std::vector<std::string> arguments(argv, argv + argc);
    corvane::forget_missing_session_bus(); // while no other thread runs
    const std::unique_ptr<corvane::platform::Platform> platform =
        corvane::platform::gtk::make_gtk_platform();
    return corvane::run_browser(*platform, arguments);
}
