#pragma once

// Closing tabs and windows at the person's request. Every awake page is asked first, as WebKit's
// try-close does: a page with a beforeunload handler shows its "leave this page?" dialog, and
// "Stay on Page" keeps the tab and its window. A sleeping tab holds no page and closes at once.
// Quit and tab sleeping follow their own rules and ask nothing here.

#include "core/app.h"

#include <cstddef>

namespace corvane {

// Asks the tab's page, then closes the tab, and the window when that was its last tab.
void request_close_tab(App& app, std::size_t window, TabId id);

// Asks every awake page of the window, then closes the window once all of them agreed.
void request_close_window(App& app, std::size_t window);

// A page agreed to close. A page that closes itself by script, unasked, is not closed.
void handle_close_agreed(App& app, const event::CloseAgreed& agreed);

// A page shows its dialog: a tab in the background is brought forward so it can be answered.
void handle_leave_dialog(App& app, const event::LeaveDialogShown& shown);

} // namespace corvane
