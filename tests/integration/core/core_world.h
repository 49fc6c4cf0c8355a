#pragma once

// The browser core on the real GTK platform and WebKit, once per test program: an event-loop
// handler over a store in a temporary folder, driven by the GLib main loop.

#include "core/event_loop.h"
#include "integration/wait.h"
#include "platform/gtk/gtk_platform.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <memory>

namespace corvane::test {

struct CoreWorld {
    CoreWorld();
    ~CoreWorld();

    // First, so that the engine's caches (and those of its helper processes) land inside it.
    TempDir data;
    std::unique_ptr<platform::Platform> platform;
    std::shared_ptr<UserEventQueue> queue;
    std::unique_ptr<EventLoopHandler> handler;

    App& app() { return handler->app(); }
};

CoreWorld& world();

// Every test starts without windows and closes what it opened.
class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    App& app() { return world().app(); }
    Tab& tab(std::size_t window, std::size_t index) {
        return app().windows.at(window).tabs.at(index);
    }
};

} // namespace corvane::test
