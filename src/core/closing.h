#pragma once

// Closing tabs and windows, and quitting, at the person's request. The awake pages it would end
// are asked one at a time, as WebKit's try-close does: a page with a beforeunload handler asks
// whether it may be left, and the browser puts that question to the person in its own words.
// "Stay" ends the request and keeps every tab; once every page agreed, the tab or the window
// closes, or the browser quits. A sleeping tab holds no page and is not asked. While a request
// or a question is under way for a window, a second request for it is refused.

#include "core/app.h"
#include "core/user_events.h"

#include <cstddef>

namespace corvane {

// Asks the tab's page, then closes the tab, and the window when that was its last tab.
void request_close_tab(App& app, std::size_t window, TabId id);

// Asks every awake page of the window in turn, then closes the window.
void request_close_window(App& app, std::size_t window);

// Asks every awake page of every window in turn, then saves the session, flushes the store and
// ends the event loop.
void request_quit(App& app, ControlFlow& flow);

// A page agreed to close. A page that closes itself by script, unasked, closes nothing.
void handle_close_agreed(App& app, const event::CloseAgreed& agreed, ControlFlow& flow);

// The page's process ended: a request asking it goes on as if it had agreed.
void handle_page_ended(App& app, TabId tab, ViewId view, ControlFlow& flow);

// The page's process stopped answering while a request asked it (a beforeunload handler that
// never returns): the request goes on as if it had agreed, or no close or quit could ever get
// past it. A page whose question is up has answered and is waiting for the person instead.
void handle_page_unresponsive(App& app, TabId tab, ViewId view, ControlFlow& flow);

// A page asks whether it may be left: the question is put to the person in its window, with its
// tab brought forward, once any question before it is answered. A page closing itself by script
// is answered "stay" at once, unasked: its close would not be carried out anyway.
void handle_leave_question(App& app, const event::LeaveQuestion& question);

// The person answered: the page learns it, and "stay" ends every request asking that page.
void handle_leave_answered(App& app, const event::LeaveAnswered& answer);

// A request is asking the tab's page, or its question waits: the tab must keep its page.
bool page_is_asked(const App& app, TabId tab);

} // namespace corvane
