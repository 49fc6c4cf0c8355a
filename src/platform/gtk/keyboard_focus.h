#pragma once

// Where a window's keyboard goes back to. GTK hands the focus to the menu bar when the pointer
// crosses it and leaves it there, or nowhere, when a menu closes or the focused view goes away;
// the window then gives it back to the web view that had it last. The Edit menu acts on that
// view as well, since the open menu itself holds the focus while an item is chosen.

#include <functional>
#include <gtk/gtk.h>
#include <webkit/webkit.h>

namespace corvane::platform::gtk {

// Follows the window's focus for as long as the window lives.
void follow_keyboard(GtkWindow* window);

// Called as a view leaves its window: when it has the keyboard, the view that had it before gets
// it, rather than whichever view GTK would choose (the chrome page, which has nowhere to put it).
void pass_keyboard_on(WebKitWebView* leaving);

// Runs the action on the web view that has the keyboard, or had it last, once any open menu has
// closed and the view has the keyboard again; dropped when no view is left.
void act_on_keyboard_view(GtkWindow* window, std::function<void(WebKitWebView*)> action);

} // namespace corvane::platform::gtk
