#pragma once

// The GTK 4 / WebKitGTK implementation of the platform. This header names no toolkit type, so
// main.cpp and the integration tests can include it.

#include "platform/platform.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace corvane::platform::gtk {

// The desktop entry's name without ".desktop": the icon's name and the windows' class, so a
// shell matches the windows to the entry.
inline constexpr const char* kDesktopId = "com.halbrin.corvane";

struct GtkPlatformOptions {
    std::string application_id = kDesktopId;
    // One instance per session bus: a second launch hands its command line to the first.
    bool single_instance = true;
};

// Made on the thread that will run the main loop; at most one per process.
std::unique_ptr<Platform> make_gtk_platform(const GtkPlatformOptions& options = {});

// Starts the toolkit without running the application's loop, for tests that drive the loop
// themselves with run_main_loop_until.
void start_without_running(Platform& platform);

// Runs the main loop until done() holds or the timeout passes; returns done()'s last answer.
bool run_main_loop_until(const std::function<bool()>& done, std::chrono::milliseconds timeout);

} // namespace corvane::platform::gtk
