#pragma once

// One GTK platform per test program and a load that waits for its end.

#include "integration/wait.h"
#include "platform/gtk/gtk_platform.h"
#include "support/loopback_server.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

namespace corvane::test {

inline platform::Platform& shared_platform() {
    static std::unique_ptr<platform::Platform> instance = [] {
        auto made = platform::gtk::make_gtk_platform({"com.halbrin.corvane.tests", false});
        platform::gtk::start_without_running(*made);
        return made;
    }();
    return *instance;
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
