#pragma once

// A fake platform with an engine configuration on it and the events it posts.

#include "engine/engine_config.h"
#include "engine/user_event.h"
#include "fake/fake_platform.h"
#include "fake/fake_web_view.h"
#include "support/temp_dir.h"

#include <memory>
#include <optional>
#include <vector>

namespace corvane::test {

class EngineFixture {
public:
    EngineFixture()
        : queue_(std::make_shared<UserEventQueue>(nullptr)),
          config(make_engine_config(platform, EventLoopProxy(queue_),
                                    std::make_shared<SharedNewTabSnapshot>(), dir.path())) {}

    // Every event posted so far, oldest first; the queue is left empty.
    std::vector<UserEvent> events() {
        std::vector<UserEvent> taken;
        while (std::optional<UserEvent> event = queue_->pop()) {
            taken.push_back(std::move(*event));
        }
        return taken;
    }

    template <typename Event>
    std::vector<Event> events_of() {
        std::vector<Event> matching;
        for (UserEvent& event : events()) {
            if (auto* found = std::get_if<Event>(&event)) {
                matching.push_back(std::move(*found));
            }
        }
        return matching;
    }

    FakeNetworkSession& session(std::size_t index) { return *platform.sessions.at(index); }

    TempDir dir;
    FakePlatform platform;

private:
    std::shared_ptr<UserEventQueue> queue_;

public:
    EngineConfig config;
};

} // namespace corvane::test
