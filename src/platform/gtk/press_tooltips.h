#pragma once

#include <gtk/gtk.h>

namespace corvane::platform::gtk {

// After a button press in the widget, no tooltip shows until the pointer moves. A web view only
// learns which element is under the pointer when the pointer moves, so the tooltip of what was
// just clicked would otherwise appear over whatever the click opened (a menu) or outlive the
// element it belonged to (a removed row).
void hide_tooltips_after_press(GtkWidget* widget);

} // namespace corvane::platform::gtk
