#pragma once

// The browser's own question whether to leave a page, modal over a window. Only the browser's
// words show: a page's text never reaches it.

#include <functional>
#include <gtk/gtk.h>

namespace corvane::platform::gtk {

// Shows the question with the keyboard on "Leave Page", the default: Return leaves, Escape or
// closing the question stays. answered runs once; with staying when the parent goes first.
void ask_to_leave(GtkWindow* parent, std::function<void(bool leave)> answered);

} // namespace corvane::platform::gtk
