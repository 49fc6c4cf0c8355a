#include "core/event_loop.h"

#include "address/address_input.h"
#include "core/arguments.h"
#include "core/closing.h"
#include "core/navigate.h"
#include "core/overloaded.h"
#include "core/page_calls.h"
#include "core/sleeping.h"
#include "core/tabs.h"
#include "core/windows.h"

namespace corvane {

EventLoopHandler::EventLoopHandler(App app, std::vector<std::string> open_args,
                                   std::shared_ptr<UserEventQueue> queue,
                                   platform::Application& application, WindowRequest window_request)
    : app_(std::move(app)), open_args_(std::move(open_args)), window_request_(window_request),
      queue_(std::move(queue)), application_(application), deadline_(app_.now() + kTickInterval) {
    app_.window_events = [this](const WindowEvent& event) {
        window_event(event);
    };
}

EventLoopHandler::~EventLoopHandler() {
    // Window hooks point back here: the windows go while the handler is still whole.
    busy_ = true;
    app_.windows.clear();
}

void EventLoopHandler::start() {
    post(Start{});
}

void EventLoopHandler::remote_command_line(const platform::CommandLine& line) {
    std::vector<std::string> urls = collect_open_arguments(line.arguments);
    for (std::string& url : urls) {
        url = open_argument_text(url, line.working_directory);
    }
    if (requested_window(line.arguments) == WindowRequest::private_window) {
        post(OpenPrivateWindow{std::move(urls)});
    } else if (urls.empty()) {
        post(Reopen{application_.has_visible_windows()});
    } else {
        post(Opened{std::move(urls)});
    }
}

void EventLoopHandler::wake() {
    post(Drain{});
}

void EventLoopHandler::window_event(const WindowEvent& event) {
    post(event);
}

void EventLoopHandler::loop_destroyed() {
    save_session_now(app_);
}

void EventLoopHandler::post(LoopEvent event) {
    pending_.push_back(std::move(event));
    if (busy_) {
        return; // handled when the current event is done
    }
    busy_ = true;
    while (!pending_.empty()) {
        LoopEvent next = std::move(pending_.front());
        pending_.pop_front();
        handle(next);
    }
    busy_ = false;
    application_.set_deadline(deadline_);
}

void EventLoopHandler::handle(LoopEvent& event) {
    tick_if_due();
    std::visit(Overloaded{
                   [&](Start&) { open_start_up_windows(); },
                   [&](Opened& opened) { open_urls(std::move(opened.urls)); },
                   [&](Reopen& request) { reopen(request.has_visible_windows); },
                   [&](OpenPrivateWindow& request) { open_private_window(request.urls); },
                   [&](WindowEvent& window) { on_window_event(window); },
                   [&](Drain&) {
                       // One user event per turn, so a tick falls due between any two.
                       if (flow_ == ControlFlow::exit) {
                           return; // the loop is ending; what is left is dropped
                       }
                       if (std::optional<UserEvent> next = queue_->pop()) {
                           pending_.push_front(Drain{});
                           pending_.push_front(std::move(*next));
                       }
                   },
                   [&](UserEvent& user) { on_user_event(std::move(user)); },
               },
               event);
    if (app_.last_window_closed && app_.windows.empty()) {
        flow_ = ControlFlow::exit;
    }
    if (flow_ == ControlFlow::exit) {
        application_.quit(0);
    }
}

void EventLoopHandler::tick_if_due() {
    const Instant now = app_.now();
    if (now >= deadline_) {
        deadline_ = now + kTickInterval;
        sleep_tick(app_);
    }
}

void EventLoopHandler::open_start_up_windows() {
    if (started_) {
        return;
    }
    started_ = true;
    if (app_.store.settings.restore_session) {
        const std::vector<SessionWindow> session = app_.store.session;
        for (const SessionWindow& window : session) {
            create_window(app_, WindowKind::normal, window.tabs,
                          static_cast<std::size_t>(window.active));
        }
    }
    if (window_request_ != WindowRequest::none) {
        open_private_window(open_args_);
        return;
    }
    // Restored windows take every argument as a tab; otherwise the first one opens the window.
    std::size_t next_arg = 0;
    if (app_.windows.empty()) {
        std::vector<SessionTab> tabs;
        if (!open_args_.empty()) {
            tabs = resolve_with_engine(app_.store.settings, open_args_.front());
            next_arg = 1;
        }
        const std::optional<std::size_t> window =
            create_window(app_, WindowKind::normal, std::move(tabs), 0);
        if (window && next_arg == 1) {
            expect_typed_fallback(app_, *window, open_args_.front());
        }
    }
    for (std::size_t i = next_arg; i < open_args_.size(); ++i) {
        if (const std::optional<std::size_t> window = current_window_index(app_)) {
            navigate(app_, *window, open_args_[i], NavigateTarget::new_tab);
        }
    }
}

void EventLoopHandler::open_urls(std::vector<std::string> urls) {
    for (std::string& url : urls) {
        if (const std::optional<std::size_t> window = current_window_index(app_)) {
            navigate(app_, *window, url, NavigateTarget::new_tab);
            app_.windows[*window].window->present();
        } else {
            // A command line gives text, not a URL: resolved as a first argument is.
            const std::optional<std::size_t> opened = create_window(
                app_, WindowKind::normal, resolve_with_engine(app_.store.settings, url), 0);
            if (opened) {
                expect_typed_fallback(app_, *opened, url);
            }
        }
    }
}

void EventLoopHandler::reopen(bool has_visible_windows) {
    if (const std::optional<std::size_t> window = current_window_index(app_)) {
        app_.windows[*window].window->present();
    } else if (!has_visible_windows) {
        create_window(app_, WindowKind::normal, {}, 0);
    }
}

void EventLoopHandler::open_private_window(const std::vector<std::string>& urls) {
    std::vector<SessionTab> tabs;
    if (!urls.empty()) {
        tabs = resolve_with_engine(app_.store.settings, urls.front());
    }
    const std::optional<std::size_t> window =
        create_window(app_, WindowKind::private_browsing, std::move(tabs), 0);
    for (std::size_t i = 1; window && i < urls.size(); ++i) {
        navigate(app_, *window, urls[i], NavigateTarget::new_tab);
    }
}

void EventLoopHandler::open_help_page(std::string_view url) {
    if (const std::optional<std::size_t> window = current_window_index(app_)) {
        add_tab(app_, *window, std::string(url), TabFocus::foreground, TabPlace::after_active);
    } else {
        create_window(app_, WindowKind::normal, {{std::string(url), ""}}, 0);
    }
}

void EventLoopHandler::on_window_event(const WindowEvent& event) {
    const std::optional<std::size_t> index = find_window(app_, event.window);
    if (!index) {
        return;
    }
    switch (event.kind) {
    case WindowEventKind::resized:
    case WindowEventKind::scale_changed:
        layout_window(app_.windows[*index]);
        render(app_, *index);
        break;
    case WindowEventKind::close_requested:
        request_close_window(app_, *index);
        break;
    case WindowEventKind::focused:
        app_.focused = event.window;
        break;
    case WindowEventKind::unfocused:
        break;
    }
}

void EventLoopHandler::on_user_event(UserEvent event) {
    if (const auto* command = std::get_if<event::MenuCommand>(&event)) {
        if (command->id == "helpSite") {
            open_help_page(kHelpSiteUrl);
            return;
        }
        if (command->id == "helpPrivacy") {
            open_help_page(kHelpPrivacyUrl);
            return;
        }
    }
    handle_user_event(app_, std::move(event), flow_);
}

} // namespace corvane
