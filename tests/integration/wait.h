#pragma once

// Waits that run the GLib main loop with a timeout, so that a hang fails the test instead of
// blocking it, shared by the integration tests on the real platform.

#include "platform/gtk/gtk_platform.h"
#include "platform/web_view.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace corvane::test {

using namespace std::chrono_literals;

inline bool wait_until(const std::function<bool()>& done,
                       std::chrono::milliseconds timeout = 15000ms) {
    return platform::gtk::run_main_loop_until(done, timeout);
}

// Lets the loop run for a while, for "nothing happens" checks.
inline void pump(std::chrono::milliseconds time) {
    platform::gtk::run_main_loop_until([] { return false; }, time);
}

// The script's JSON result; none when the view did not answer in time. The result is shared
// with the callback, which may still come after a timeout.
inline std::optional<std::string> evaluate(platform::WebView& view, const std::string& script) {
    auto result = std::make_shared<std::optional<std::string>>();
    view.evaluate_script(script, [result](std::string json) { *result = std::move(json); });
    wait_until([&] { return result->has_value(); });
    return *result;
}

} // namespace corvane::test
