#pragma once

// The engine on the real GTK platform, once per test program: its configuration, the events its
// callbacks post, a window with a chrome view, and a loopback server that is also the HTTP proxy
// of every store, so pages can name hosts that are not local.

#include "engine/engine_config.h"
#include "engine/user_event.h"
#include "engine/webviews.h"
#include "integration/wait.h"
#include "platform/gtk/gtk_platform.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane::test {

struct EngineWorld {
    EngineWorld();
    ~EngineWorld();

    std::unique_ptr<platform::Platform> platform;
    TempDir data;
    std::shared_ptr<UserEventQueue> queue;
    std::unique_ptr<LoopbackServer> server;
    EngineConfig config;
    // Events taken from the queue so far, oldest first.
    std::vector<UserEvent> seen;
};

EngineWorld& world();

// Routes every request of the store through the proxy.
void route_through(platform::NetworkSession& store, const std::string& proxy);

// Moves posted events into world().seen.
void drain();

template <typename Event>
std::vector<Event> seen_of() {
    drain();
    std::vector<Event> found;
    for (const UserEvent& event : world().seen) {
        if (const auto* match = std::get_if<Event>(&event)) {
            found.push_back(*match);
        }
    }
    return found;
}

// Waits for an event of that type matching pred.
template <typename Event, typename Pred>
std::optional<Event> wait_for(Pred pred, std::chrono::milliseconds timeout = 15000ms) {
    std::optional<Event> found;
    wait_until(
        [&] {
            for (const Event& event : seen_of<Event>()) {
                if (pred(event)) {
                    found = event;
                    return true;
                }
            }
            return false;
        },
        timeout);
    return found;
}

// A window with its chrome view, dropped at the end of each test.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<platform::WebView>
    open_tab(const std::string& url, TabId id,
             std::shared_ptr<platform::NetworkSession> store = nullptr, bool https_only = false,
             bool block_trackers = false);
    // Waits for the tab's finished load of url.
    bool loaded(TabId tab, const std::string& url);
    std::string url(const std::string& path) const { return world().server->origin() + path; }

    std::shared_ptr<platform::Window> window;
    std::unique_ptr<platform::WebView> chrome;
};

} // namespace corvane::test
