#include "core/browser.h"

#include "core/arguments.h"
#include "core/event_loop.h"
#include "core/menu_model.h"
#include "engine/shield_wiring.h"
#include "platform/startup_trace.h"
#include "store/data_folder.h"
#include "store/folder_lock.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace corvane {

namespace {

constexpr std::chrono::seconds kSelfTestDelay{6};

std::string already_running_message(const std::filesystem::path& folder, bool on_session_bus) {
    // On a bus, the running browser would have had this launch's arguments: it is on another bus
    // or on none.
    const char* reason = on_session_bus ? "it is not on this session bus" : "no session bus";
    return "corvane: Corvane is already running with the data folder " + folder.string() +
           ", and this launch cannot reach it to hand over what it was asked to open (" + reason +
           "). Use its window, or quit it first.\n";
}

// The self-test thread: touches nothing but its own proxy and value.
void delayed_event_thread(EventLoopProxy proxy, std::string panel) {
    std::this_thread::sleep_for(kSelfTestDelay);
    proxy.send_event(event::SelfTest{std::move(panel)});
}

std::unique_ptr<EventLoopHandler> start_browser(platform::Platform& platform,
                                                const std::shared_ptr<UserEventQueue>& queue,
                                                const Arguments& arguments,
                                                const std::filesystem::path& data_folder) {
    const EventLoopProxy proxy(queue);
    install_app_menu(platform, proxy);
    if (std::optional<std::string> panel = selftest_value(arguments)) {
        std::thread(delayed_event_thread, proxy, std::move(*panel)).detach();
    }
    Store store = load_store(data_folder);
    platform::startup_mark("store-loaded");
    App app = make_app(platform, proxy, std::move(store));
    platform::startup_mark("engine-ready");
    app.wants_devtools = wants_devtools(arguments);
    install_rule_list(app.engine, app.store.settings.shield_allowlist);
    std::vector<std::string> open_args = collect_open_arguments(arguments);
    std::error_code no_directory;
    const std::filesystem::path here = std::filesystem::current_path(no_directory);
    for (std::string& arg : open_args) {
        arg = open_argument_text(arg, here);
    }
    auto handler =
        std::make_unique<EventLoopHandler>(std::move(app), std::move(open_args), queue,
                                           platform.application(), requested_window(arguments));
    handler->start();
    return handler;
}

} // namespace

int run_browser(platform::Platform& platform, const std::vector<std::string>& arguments) {
    platform::Application& application = platform.application();
    const auto queue = std::make_shared<UserEventQueue>(application.waker());
    // Declared first, so it is released only after the handler and its saves are done.
    std::optional<FolderLock> lock;
    std::unique_ptr<EventLoopHandler> handler;

    // The state is built on the first command line, the primary instance's own, so that a
    // launch that only hands its arguments to a running instance builds nothing.
    application.on_command_line = [&](const platform::CommandLine& line) {
        if (!line.remote && !handler && !lock) {
            const std::filesystem::path folder =
                choose_data_folder(data_folder_sources_from_process());
            lock = FolderLock::take(folder);
            if (!lock) {
                // A launch that cannot reach the running browser over the bus must not start a
                // second one: two on one folder would write over each other's files.
                std::fputs(already_running_message(folder, application.on_session_bus()).c_str(),
                           stderr);
                application.quit(1);
                return;
            }
            handler = start_browser(platform, queue, line.arguments, folder);
        } else if (line.remote && handler) {
            handler->remote_command_line(line);
        }
    };
    application.on_wake = [&] {
        if (handler) {
            handler->wake();
        }
    };
    const int code = application.run(arguments);
    queue->close();
    if (handler) {
        handler->loop_destroyed();
    }
    application.on_command_line = nullptr;
    application.on_wake = nullptr;
    return code;
}

} // namespace corvane
