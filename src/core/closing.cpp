#include "core/closing.h"

#include "core/tabs.h"
#include "core/windows.h"

#include <algorithm>
#include <optional>

namespace corvane {

namespace {

using Goal = CloseRequest::Goal;

bool has_agreed(const CloseRequest& request, TabId tab) {
    return std::find(request.agreed.begin(), request.agreed.end(), tab) != request.agreed.end();
}

// The first awake page the request would end that has not agreed yet, windows and tabs in
// order. Tabs opened since the request began are asked too.
std::optional<TabLocation> next_page(const App& app, const CloseRequest& request) {
    for (std::size_t w = 0; w < app.windows.size(); ++w) {
        const BrowserWindow& window = app.windows[w];
        if (request.goal != Goal::quit && window.id() != request.window) {
            continue;
        }
        for (std::size_t t = 0; t < window.tabs.size(); ++t) {
            const Tab& tab = window.tabs[t];
            if ((request.goal != Goal::tab || tab.id == request.tab) && tab.awake() &&
                !has_agreed(request, tab.id)) {
                return TabLocation{w, t};
            }
        }
    }
    return std::nullopt;
}

// Asks the request's next page. With no page left to ask, the request is taken out of the list
// and returned, to be carried out.
std::optional<CloseRequest> ask_next(App& app, std::size_t index) {
    CloseRequest& request = app.close_requests[index];
    if (const std::optional<TabLocation> next = next_page(app, request)) {
        Tab& tab = app.windows[next->window].tabs[next->tab];
        request.asking = tab.id;
        request.asking_view = tab.view;
        tab.webview->try_close();
        return std::nullopt;
    }
    CloseRequest done = std::move(request);
    app.close_requests.erase(app.close_requests.begin() + static_cast<std::ptrdiff_t>(index));
    return done;
}

std::optional<CloseRequest> begin(App& app, Goal goal, WindowId window = 0, TabId tab = 0) {
    CloseRequest& request = app.close_requests.emplace_back();
    request.goal = goal;
    request.window = window;
    request.tab = tab;
    return ask_next(app, app.close_requests.size() - 1);
}

// Closes the tab or the window of a request whose pages all agreed; either may have gone since.
void close_now(App& app, const CloseRequest& done) {
    if (done.goal == Goal::tab) {
        if (const std::optional<TabLocation> where = find_tab(app, done.tab)) {
            if (close_tab(app, where->window, done.tab)) {
                close_window(app, where->window);
            }
        }
    } else if (done.goal == Goal::window) {
        if (const std::optional<std::size_t> index = find_window(app, done.window)) {
            close_window(app, *index);
        }
    }
}

void carry_out(App& app, const CloseRequest& done, ControlFlow& flow) {
    if (done.goal == Goal::quit) {
        save_session_now(app);
        flow = ControlFlow::exit;
    } else {
        close_now(app, done);
    }
}

// Whether a request or a question is under way in the window; with no window, anywhere. A
// question whose page has gone no longer counts.
bool busy(const App& app, std::optional<WindowId> window) {
    const bool requested =
        std::any_of(app.close_requests.begin(), app.close_requests.end(), [&](const auto& r) {
            return !window || r.goal == Goal::quit || r.window == *window;
        });
    return requested ||
           std::any_of(app.leave_questions.begin(), app.leave_questions.end(), [&](const auto& q) {
               const std::optional<TabLocation> where = find_tab_view(app, q.tab, q.view);
               return where && (!window || app.windows[where->window].id() == *window);
           });
}

// Puts the first waiting question to the person, unless it is up already. The page's tab comes
// forward and its window to the front, so the person sees which page asks.
void show_next_question(App& app) {
    while (!app.leave_questions.empty() && !app.leave_questions.front().shown) {
        LeaveQuestion& first = app.leave_questions.front();
        const std::optional<TabLocation> where = find_tab_view(app, first.tab, first.view);
        if (!where) {
            app.leave_questions.pop_front(); // its page went with its view
            continue;
        }
        first.shown = true;
        const TabId tab = first.tab;
        const ViewId view = first.view;
        if (where->tab != app.windows[where->window].active) {
            select_tab(app, where->window, where->tab);
        }
        BrowserWindow& window = app.windows[where->window];
        if (app.focused != window.id()) {
            window.window->present();
        }
        window.window->ask_to_leave([proxy = app.proxy, tab, view](bool leave) {
            proxy.send_event(event::LeaveAnswered{tab, view, leave});
        });
    }
}

} // namespace

void request_close_tab(App& app, std::size_t window, TabId id) {
    if (window >= app.windows.size()) {
        return;
    }
    const BrowserWindow& record = app.windows[window];
    const bool held = std::any_of(record.tabs.begin(), record.tabs.end(),
                                  [id](const Tab& tab) { return tab.id == id; });
    if (!held || busy(app, record.id())) {
        return;
    }
    if (std::optional<CloseRequest> done = begin(app, Goal::tab, record.id(), id)) {
        close_now(app, *done);
    }
}

void request_close_window(App& app, std::size_t window) {
    if (window >= app.windows.size() || busy(app, app.windows[window].id())) {
        return;
    }
    if (std::optional<CloseRequest> done = begin(app, Goal::window, app.windows[window].id())) {
        close_now(app, *done);
    }
}

void request_quit(App& app, ControlFlow& flow) {
    if (busy(app, std::nullopt)) {
        return;
    }
    if (std::optional<CloseRequest> done = begin(app, Goal::quit)) {
        carry_out(app, *done, flow);
    }
}

void handle_close_agreed(App& app, const event::CloseAgreed& agreed, ControlFlow& flow) {
    const auto it =
        std::find_if(app.close_requests.begin(), app.close_requests.end(), [&](const auto& r) {
            return r.asking == agreed.tab && r.asking_view == agreed.view;
        });
    if (it == app.close_requests.end()) {
        return; // unasked
    }
    it->agreed.push_back(it->asking);
    it->asking = 0;
    it->asking_view = 0;
    const auto index = static_cast<std::size_t>(it - app.close_requests.begin());
    if (std::optional<CloseRequest> done = ask_next(app, index)) {
        carry_out(app, *done, flow);
    }
}

void handle_page_ended(App& app, TabId tab, ViewId view, ControlFlow& flow) {
    handle_close_agreed(app, event::CloseAgreed{tab, view}, flow);
}

void handle_page_unresponsive(App& app, TabId tab, ViewId view, ControlFlow& flow) {
    const bool question_waits =
        std::any_of(app.leave_questions.begin(), app.leave_questions.end(),
                    [&](const LeaveQuestion& q) { return q.tab == tab && q.view == view; });
    if (!question_waits) {
        handle_page_ended(app, tab, view, flow);
    }
}

void handle_leave_question(App& app, const event::LeaveQuestion& question) {
    const std::optional<TabLocation> where = find_tab_view(app, question.tab, question.view);
    if (!where) {
        return;
    }
    if (question.leave_for == platform::LeaveFor::script_close) {
        // Nothing would close: the page's own close is never carried out, so nobody is asked.
        app.windows[where->window].tabs[where->tab].webview->answer_leave_question(false);
        return;
    }
    app.leave_questions.push_back(LeaveQuestion{question.tab, question.view, false});
    show_next_question(app);
}

void handle_leave_answered(App& app, const event::LeaveAnswered& answer) {
    const auto it =
        std::find_if(app.leave_questions.begin(), app.leave_questions.end(), [&](const auto& q) {
            return q.shown && q.tab == answer.tab && q.view == answer.view;
        });
    if (it == app.leave_questions.end()) {
        return;
    }
    app.leave_questions.erase(it);
    if (const std::optional<TabLocation> where = find_tab_view(app, answer.tab, answer.view)) {
        app.windows[where->window].tabs[where->tab].webview->answer_leave_question(answer.leave);
    }
    if (!answer.leave) {
        std::erase_if(app.close_requests,
                      [&](const CloseRequest& r) { return r.asking == answer.tab; });
    }
    show_next_question(app);
}

bool page_is_asked(const App& app, TabId tab) {
    return std::any_of(app.close_requests.begin(), app.close_requests.end(),
                       [tab](const CloseRequest& r) { return r.asking == tab; }) ||
           std::any_of(app.leave_questions.begin(), app.leave_questions.end(),
                       [tab](const LeaveQuestion& q) { return q.tab == tab; });
}

} // namespace corvane
