#pragma once

// An engine configuration on the recording fake, a window with its chrome view, and the events
// the engine posted.

#include "engine/engine_config.h"
#include "engine/user_event.h"
#include "engine/webviews.h"
#include "fake/fake_platform.h"
#include "shield/rule_list.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace corvane::test {

class EngineTest : public ::testing::Test {
protected:
    EngineConfig make_config() {
        return make_engine_config(platform, EventLoopProxy(queue),
                                  std::make_shared<SharedNewTabSnapshot>(), dir.path());
    }
    static FakeWebView& fake(platform::WebView& view) { return dynamic_cast<FakeWebView&>(view); }
    FakeWindow& fake_window() { return dynamic_cast<FakeWindow&>(*window); }

    // The posted events of one kind, oldest first; every event is taken out of the queue.
    template <typename Event>
    std::vector<Event> taken() {
        std::vector<Event> matching;
        while (std::optional<UserEvent> event = queue->pop()) {
            if (auto* found = std::get_if<Event>(&*event)) {
                matching.push_back(std::move(*found));
            }
        }
        return matching;
    }

    TempDir dir;
    FakePlatform platform;
    std::shared_ptr<UserEventQueue> queue = std::make_shared<UserEventQueue>(nullptr);
    EngineConfig config = make_config();
    std::shared_ptr<platform::Window> window =
        platform.create_window({"Corvane", {1280, 820}, {520, 360}});
    std::unique_ptr<platform::WebView> chrome =
        create_ui_webview(config, window, 1, "corvane://ui/index.html", {0, 0, 1280, 86}, true);
};

} // namespace corvane::test
