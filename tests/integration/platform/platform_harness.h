#pragma once

// One GTK platform per test program, a loopback server, and waits that run the main loop with a
// timeout so that a hang fails the test instead of blocking it.

#include "platform/gtk/gtk_platform.h"
#include "support/loopback_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

namespace corvane::test {

using namespace std::chrono_literals;

inline platform::Platform& shared_platform() {
    static std::unique_ptr<platform::Platform> instance = [] {
        auto made = platform::gtk::make_gtk_platform({"com.halbrin.corvane.tests", false});
        platform::gtk::start_without_running(*made);
        return made;
    }();
    return *instance;
}

inline bool wait_until(const std::function<bool()>& done,
                       std::chrono::milliseconds timeout = 15000ms) {
    return platform::gtk::run_main_loop_until(done, timeout);
}

// Lets the loop run for a while (for "nothing happens" checks).
inline void pump(std::chrono::milliseconds time) {
    platform::gtk::run_main_loop_until([] { return false; }, time);
}

// The script's JSON result; none when it did not answer in time.
inline std::optional<std::string> evaluate(platform::WebView& view, const std::string& script) {
    std::optional<std::string> result;
    view.evaluate_script(script, [&result](std::string json) { result = std::move(json); });
    wait_until([&] { return result.has_value(); });
    return result;
}

// Loads url and waits for the load to finish.
inline bool load_and_wait(platform::WebView& view, const std::string& url) {
    bool finished = false;
    auto previous = view.on_load_changed;
    view.on_load_changed = [&](platform::LoadPhase phase, const std::string& uri) {
        if (previous) {
            previous(phase, uri);
        }
        if (phase == platform::LoadPhase::finished) {
            finished = true;
        }
    };
    view.load_url(url);
    bool ok = wait_until([&] { return finished; });
    view.on_load_changed = previous;
    return ok;
}

} // namespace corvane::test
