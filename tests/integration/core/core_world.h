#pragma once

// The browser core on the real GTK platform and WebKit, once per test program: an event-loop
// handler over a store in a temporary folder, driven by the GLib main loop, and a loopback server
// for the pages.

#include "core/event_loop.h"
#include "platform/gtk/gtk_platform.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

namespace corvane::test {

using namespace std::chrono_literals;

struct CoreWorld {
    CoreWorld();
    ~CoreWorld();

    // First, so that the engine's caches (and those of its helper processes) land inside it.
    TempDir data;
    std::unique_ptr<platform::Platform> platform;
    std::unique_ptr<LoopbackServer> server;
    std::shared_ptr<UserEventQueue> queue;
    std::unique_ptr<EventLoopHandler> handler;

    App& app() { return handler->app(); }
};

CoreWorld& world();

bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout = 15000ms);
void pump(std::chrono::milliseconds time);

// The script's result as JSON text; none when the view never answered.
std::optional<std::string> evaluate(platform::WebView& view, const std::string& script);

// Every test starts without windows and closes what it opened.
class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string url(const std::string& path) const { return world().server->origin() + path; }
    App& app() { return world().app(); }
    Tab& tab(std::size_t window, std::size_t index) {
        return app().windows.at(window).tabs.at(index);
    }
};

} // namespace corvane::test
