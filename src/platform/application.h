#pragma once

// The application's lifecycle: one instance per user session (a second launch hands its
// arguments to the running one), the main loop, its deadline and its wake-ups.

#include "platform/event_loop.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {

struct CommandLine {
    // All arguments as given, the program's own path first.
    std::vector<std::string> arguments;
    // True for a second launch whose arguments were forwarded to this running instance.
    bool remote = false;
    std::string working_directory;
};

class Application {
public:
    virtual ~Application() = default;

    // Runs the main loop until quit() or SIGINT, SIGTERM or SIGHUP; returns the exit code. The
    // primary instance first sees its own command line (remote false). A second launch while this
    // one runs arrives as a remote command line: with arguments after the program path it asks
    // to open them, without any it is a reopen request. Windows do not keep the loop alive: it runs
    // until quit() even with none open. In a second launch run() returns at once.
    virtual int run(const std::vector<std::string>& arguments) = 0;

    // Ends the main loop after the current event; run() then returns exit_code.
    virtual void quit(int exit_code) = 0;

    // The wake-up for an EventQueue: posting to the queue makes the loop call on_wake.
    virtual std::shared_ptr<Waker> waker() = 0;

    // The loop calls on_wake no later than the deadline, even without posted events; none
    // means no deadline. Cleared each time on_wake runs.
    virtual void set_deadline(std::optional<Instant> deadline) = 0;

    // Whether any window of the application is shown and not minimised.
    virtual bool has_visible_windows() const = 0;

    // Whether this instance is on a session bus, where later launches reach it. Known once the
    // first command line has arrived.
    virtual bool on_session_bus() const = 0;

    // Hooks, all on the main thread.
    std::function<void(const CommandLine&)> on_command_line;
    // Posted events are waiting, or the deadline has passed.
    std::function<void()> on_wake;
};

} // namespace corvane::platform
