#pragma once

// The widget that holds a window's web views. Each child sits at the rectangle stored for it;
// the host asks for no size of its own, so children never become the window's minimum size
// (GtkFixed would make them so). Stacking is child order: the last child is on top.

#include "platform/geometry.h"

#include <functional>
#include <gtk/gtk.h>

namespace corvane::platform::gtk {

// A new floating host widget.
GtkWidget* view_host_new();

// Adds child on top of the other children.
void view_host_add(GtkWidget* host, GtkWidget* child, const Rect& bounds);
void view_host_remove(GtkWidget* host, GtkWidget* child);
void view_host_set_bounds(GtkWidget* host, GtkWidget* child, const Rect& bounds);
Rect view_host_bounds(GtkWidget* host, GtkWidget* child);

// Called (from an idle, never inside the allocation) when the host's allocated size changes.
void view_host_on_resize(GtkWidget* host, std::function<void(Size)> on_resize);

} // namespace corvane::platform::gtk
