#pragma once

#include "platform/menu.h"

#include <functional>
#include <gtk/gtk.h>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform::gtk {

// "CmdOrCtrl+Shift+N" -> "<Control><Shift>n"; none when a part is not understood.
std::optional<std::string> gtk_accelerator(const std::string& accelerator);

// Builds the bar into a GMenu model, registers the "cmd" and "predefined" actions on the
// application and binds the accelerators. Predefined edit items act on the focused web view of
// the active window; window items on the active window.
void install_gtk_menu_bar(GtkApplication* application, const MenuBar& bar,
                          std::function<void(const std::string& id)> on_activate);

// Lets the window run the items' page-first shortcuts for keys that its focused web view passes
// on because the page left them unhandled.
void listen_for_page_first_keys(GtkApplication* application, GtkWindow* window);

} // namespace corvane::platform::gtk
