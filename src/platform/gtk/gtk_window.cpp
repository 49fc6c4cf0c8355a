#include "platform/gtk/gtk_window.h"

#include "platform/gtk/gtk_menu.h"
#include "platform/gtk/gtk_platform.h"
#include "platform/gtk/keyboard_focus.h"
#include "platform/gtk/leave_question.h"
#include "platform/gtk/view_host.h"
#include "platform/startup_trace.h"

namespace corvane::platform::gtk {

GtkBrowserWindow::GtkBrowserWindow(GtkApplication* application, WindowId id,
                                   const WindowOptions& options)
    : id_(id), window_(GObjectPtr<GtkWidget>::retain(gtk_application_window_new(application))) {
    GtkWindow* window = gtk_window();
    gtk_window_set_title(window, options.title.c_str());
    gtk_window_set_icon_name(window, kDesktopId);
    gtk_window_set_default_size(window, static_cast<int>(options.size.width),
                                static_cast<int>(options.size.height));
    gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(window), TRUE);
    host_ = view_host_new();
    gtk_widget_set_size_request(host_, static_cast<int>(options.min_size.width),
                                static_cast<int>(options.min_size.height));
    gtk_window_set_child(window, host_);
    // Cleared if GTK destroys the window first (a close without an owner's hook).
    g_object_add_weak_pointer(G_OBJECT(host_), reinterpret_cast<gpointer*>(&host_));
    view_host_on_resize(host_, [this](Size size) {
        if (on_resized) {
            on_resized(size);
        }
    });

    // Raw events in the capture phase: the press is remembered even when a web view claims it.
    GtkEventController* legacy = gtk_event_controller_legacy_new();
    gtk_event_controller_set_propagation_phase(legacy, GTK_PHASE_CAPTURE);
    connections_.emplace_back(legacy, "event", as_callback(on_raw_event), this);
    gtk_widget_add_controller(GTK_WIDGET(window), legacy);

    follow_keyboard(window);
    listen_for_page_first_keys(application, window);

    connections_.emplace_back(window, "close-request", as_callback(on_close_request), this);
    connections_.emplace_back(window, "notify::is-active", as_callback(on_notify_active), this);
    connections_.emplace_back(window, "notify::maximized", as_callback(on_notify_state), this);
    connections_.emplace_back(window, "notify::fullscreened", as_callback(on_notify_state), this);
    connections_.emplace_back(window, "notify::scale-factor", as_callback(on_notify_scale), this);
    connections_.emplace_back(window, "realize", as_callback(on_realize), this);
}

GtkBrowserWindow::~GtkBrowserWindow() {
    surface_state_.disconnect();
    connections_.clear();
    if (host_ != nullptr) {
        view_host_on_resize(host_, nullptr);
        g_object_remove_weak_pointer(G_OBJECT(host_), reinterpret_cast<gpointer*>(&host_));
    }
    gtk_window_destroy(gtk_window());
}

Size GtkBrowserWindow::inner_size() const {
    int width = host_ != nullptr ? gtk_widget_get_width(host_) : 0;
    int height = host_ != nullptr ? gtk_widget_get_height(host_) : 0;
    if (width <= 0 || height <= 0) {
        // Not laid out yet: the size it is about to get.
        gtk_window_get_default_size(gtk_window(), &width, &height);
    }
    return Size{static_cast<double>(width), static_cast<double>(height)};
}

double GtkBrowserWindow::scale_factor() const {
    return gtk_widget_get_scale_factor(window_.get());
}

void GtkBrowserWindow::set_title(const std::string& title) {
    // Every render names the window; only a new name goes on to the desktop.
    if (g_strcmp0(gtk_window_get_title(gtk_window()), title.c_str()) != 0) {
        gtk_window_set_title(gtk_window(), title.c_str());
    }
}

void GtkBrowserWindow::present() {
    g_signal_connect(gtk_window(), "map",
                     G_CALLBACK(+[](GtkWidget*) { startup_mark("window-mapped"); }), nullptr);
    gtk_window_present(gtk_window());
}

void GtkBrowserWindow::minimize() {
    gtk_window_minimize(gtk_window());
}

bool GtkBrowserWindow::is_minimized() const {
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_.get()));
    return surface != nullptr && GDK_IS_TOPLEVEL(surface) &&
           (gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED) != 0;
}

bool GtkBrowserWindow::is_maximized() const {
    return gtk_window_is_maximized(gtk_window());
}

void GtkBrowserWindow::set_maximized(bool maximized) {
    if (maximized) {
        gtk_window_maximize(gtk_window());
    } else {
        gtk_window_unmaximize(gtk_window());
    }
}

bool GtkBrowserWindow::is_fullscreen() const {
    return gtk_window_is_fullscreen(gtk_window());
}

void GtkBrowserWindow::set_fullscreen(bool fullscreen) {
    if (fullscreen) {
        gtk_window_fullscreen(gtk_window());
    } else {
        gtk_window_unfullscreen(gtk_window());
    }
}

void GtkBrowserWindow::set_menu_bar_visible(bool visible) {
    gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(window_.get()), visible);
}

bool GtkBrowserWindow::is_active() const {
    return gtk_window_is_active(gtk_window());
}

void GtkBrowserWindow::drag_window() {
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window_.get()));
    if (!press_device_ || surface == nullptr || !GDK_IS_TOPLEVEL(surface)) {
        return;
    }
    gdk_toplevel_begin_move(GDK_TOPLEVEL(surface), press_device_.get(), GDK_BUTTON_PRIMARY,
                            press_x_, press_y_, press_time_);
    press_device_.reset();
}

void GtkBrowserWindow::ask_to_leave(std::function<void(bool leave)> answered) {
    gtk::ask_to_leave(gtk_window(), std::move(answered));
}

gboolean GtkBrowserWindow::on_close_request(GtkWindow*, gpointer self) {
    auto* window = static_cast<GtkBrowserWindow*>(self);
    if (!window->on_close_requested) {
        return FALSE;
    }
    window->on_close_requested();
    return TRUE;
}

void GtkBrowserWindow::on_notify_active(GObject*, GParamSpec*, gpointer self) {
    auto* window = static_cast<GtkBrowserWindow*>(self);
    if (window->on_focus_changed) {
        window->on_focus_changed(window->is_active());
    }
}

void GtkBrowserWindow::on_notify_state(GObject*, GParamSpec*, gpointer self) {
    auto* window = static_cast<GtkBrowserWindow*>(self);
    if (window->on_state_changed) {
        window->on_state_changed();
    }
}

void GtkBrowserWindow::on_notify_scale(GObject*, GParamSpec*, gpointer self) {
    auto* window = static_cast<GtkBrowserWindow*>(self);
    if (window->on_scale_factor_changed) {
        window->on_scale_factor_changed(window->scale_factor());
    }
}

void GtkBrowserWindow::on_realize(GtkWidget* widget, gpointer self) {
    auto* window = static_cast<GtkBrowserWindow*>(self);
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(widget));
    if (surface == nullptr) {
        return;
    }
    // Minimising shows only on the toplevel surface's state.
    window->surface_state_.disconnect();
    window->surface_ = GObjectPtr<GdkSurface>::retain(surface);
    window->surface_state_ =
        SignalConnection(surface, "notify::state", as_callback(on_notify_state), self);
}

gboolean GtkBrowserWindow::on_raw_event(GtkEventControllerLegacy*, GdkEvent* event, gpointer self) {
    auto* window = static_cast<GtkBrowserWindow*>(self);
    GdkEventType type = gdk_event_get_event_type(event);
    if (type == GDK_BUTTON_PRESS && gdk_button_event_get_button(event) == GDK_BUTTON_PRIMARY) {
        window->press_device_ = GObjectPtr<GdkDevice>::retain(gdk_event_get_device(event));
        gdk_event_get_position(event, &window->press_x_, &window->press_y_);
        window->press_time_ = gdk_event_get_time(event);
    } else if (type == GDK_BUTTON_RELEASE &&
               gdk_button_event_get_button(event) == GDK_BUTTON_PRIMARY) {
        window->press_device_.reset();
    }
    return FALSE;
}

} // namespace corvane::platform::gtk
