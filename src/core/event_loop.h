#pragma once

// The event-loop handler: owns the App, opens the first windows, runs the 30-second tick and
// hands every event to the code it concerns, one event at a time. Events that arrive while one
// is being handled (a window hook fired from inside a toolkit call) wait their turn.

#include "core/app.h"
#include "core/arguments.h"
#include "core/user_events.h"
#include "platform/application.h"

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace corvane {

inline constexpr std::chrono::seconds kTickInterval{30};
inline constexpr std::string_view kHelpSiteUrl = "https://corvane.halbrin.com/";
inline constexpr std::string_view kHelpPrivacyUrl = "https://corvane.halbrin.com/privacy";

class EventLoopHandler {
public:
    // application is not owned and outlives the handler; queue is where the App's proxy posts.
    // A window request opens that window at start-up, with every argument in it, after the
    // restored session.
    EventLoopHandler(App app, std::vector<std::string> open_args,
                     std::shared_ptr<UserEventQueue> queue, platform::Application& application,
                     WindowRequest window_request = WindowRequest::none);
    ~EventLoopHandler();
    EventLoopHandler(const EventLoopHandler&) = delete;
    EventLoopHandler& operator=(const EventLoopHandler&) = delete;

    // The loop has started: the first windows open.
    void start();
    // A later launch's command line: its arguments open as tabs, none is a reopen request; with
    // a window request they open in a new window of that kind.
    void remote_command_line(const platform::CommandLine& line);
    // Posted user events are waiting, or the tick is due.
    void wake();
    void window_event(const WindowEvent& event);
    // The loop has ended: the session and the store are saved.
    void loop_destroyed();

    App& app() { return app_; }
    Instant deadline() const { return deadline_; }

private:
    struct Start {};
    struct Opened {
        std::vector<std::string> urls;
    };
    struct Reopen {
        bool has_visible_windows = false;
    };
    struct OpenPrivateWindow {
        std::vector<std::string> urls;
    };
    struct Drain {};
    using LoopEvent =
        std::variant<Start, Opened, Reopen, OpenPrivateWindow, WindowEvent, Drain, UserEvent>;

    void post(LoopEvent event);
    void handle(LoopEvent& event);
    void tick_if_due();
    void open_start_up_windows();
    void open_urls(std::vector<std::string> urls);
    void reopen(bool has_visible_windows);
    void open_private_window(const std::vector<std::string>& urls);
    void open_help_page(std::string_view url);
    void on_window_event(const WindowEvent& event);
    void on_user_event(UserEvent event);

    App app_;
    std::vector<std::string> open_args_;
    WindowRequest window_request_;
    std::shared_ptr<UserEventQueue> queue_;
    platform::Application& application_;
    Instant deadline_;
    bool started_ = false;
    bool busy_ = false;
    ControlFlow flow_ = ControlFlow::wait;
    std::deque<LoopEvent> pending_;
};

} // namespace corvane
