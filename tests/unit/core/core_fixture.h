#pragma once

// A browser core on the recording fake: a real App with a real store in a temporary folder, a
// clock the test moves, and helpers to look at what the core asked of its web views.

#include "core/app.h"
#include "core/chrome_messages.h"
#include "core/commands.h"
#include "core/user_events.h"
#include "core/windows.h"
#include "fake/fake_platform.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace corvane::test {

class CoreTest : public ::testing::Test {
protected:
    CoreTest();

    // The fake behind a tab's or window's view; fails the test when there is none.
    static FakeWebView& fake(const std::unique_ptr<platform::WebView>& view);
    FakeWebView& chrome(std::size_t window = 0) { return fake(app.windows.at(window).chrome); }
    Tab& tab(std::size_t window, std::size_t index) {
        return app.windows.at(window).tabs.at(index);
    }

    // Scripts evaluated in a view, oldest first.
    static std::vector<std::string> scripts(const FakeWebView& view);
    // The page calls "window.CV&&CV.name(...)" made in a view, as "name(...)".
    static std::vector<std::string> page_calls(const FakeWebView& view);
    // The render calls' state objects, parsed.
    static std::vector<nlohmann::json> renders(const FakeWebView& view);

    // Marks the window's chrome page as ready, so render reaches it.
    void make_ready(std::size_t window) { app.windows.at(window).ready_seen = true; }
    // A window whose chrome page is ready; its index.
    std::size_t open(std::vector<SessionTab> tabs, std::size_t active = 0,
                     WindowKind kind = WindowKind::normal);
    // A window of `count` tabs at https://tN.test/, ready.
    std::size_t open_numbered(std::size_t count, std::size_t active = 0,
                              WindowKind kind = WindowKind::normal);
    // A message from a window's chrome page, a command as the menu bar runs it, a user event.
    void send(UiMsg msg, std::size_t window = 0) {
        handle_ui_message(app, window, std::move(msg), flow);
    }
    void run(std::string_view id) { run_command(app, id, flow); }
    void handle(UserEvent event) { handle_user_event(app, std::move(event), flow); }

    // Events the core posted, in order, taken out of the queue.
    std::vector<UserEvent> take_posted();
    // Handles the events the core posted (a page's answer to closing), in order.
    void handle_posted() {
        for (UserEvent& event : take_posted()) {
            handle(std::move(event));
        }
    }
    // Handles posted events and those they post in turn until none is left: every page that
    // is asked answers, up to a question put to the person.
    void settle() {
        for (std::vector<UserEvent> events = take_posted(); !events.empty();
             events = take_posted()) {
            for (UserEvent& event : events) {
                handle(std::move(event));
            }
        }
    }
    std::vector<std::string> tab_urls(std::size_t window) const;

    TempDir dir;
    FakePlatform platform;
    std::shared_ptr<UserEventQueue> queue;
    Instant now = Instant{} + std::chrono::hours(1000);
    std::uint64_t wall = 1'700'000'000;
    App app;
    // Where the last message, command or event left the event loop.
    ControlFlow flow = ControlFlow::wait;
};

} // namespace corvane::test
