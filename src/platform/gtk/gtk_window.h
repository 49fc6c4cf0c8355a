#pragma once

#include "platform/gtk/gobject_ptr.h"
#include "platform/window.h"

#include <gtk/gtk.h>
#include <vector>

namespace corvane::platform::gtk {

// A GtkApplicationWindow whose content is a view host.
class GtkBrowserWindow final : public Window {
public:
    GtkBrowserWindow(GtkApplication* application, WindowId id, const WindowOptions& options);
    ~GtkBrowserWindow() override;

    WindowId id() const override { return id_; }
    Size inner_size() const override;
    double scale_factor() const override;
    void set_title(const std::string& title) override;
    void present() override;
    void minimize() override;
    bool is_minimized() const override;
    bool is_maximized() const override;
    void set_maximized(bool maximized) override;
    bool is_fullscreen() const override;
    void set_fullscreen(bool fullscreen) override;
    void set_menu_bar_visible(bool visible) override;
    bool is_active() const override;
    void drag_window() override;
    void ask_to_leave(std::function<void(bool leave)> answered) override;

    GtkWindow* gtk_window() const { return GTK_WINDOW(window_.get()); }
    GtkWidget* host() const { return host_; }

private:
    static gboolean on_close_request(GtkWindow*, gpointer self);
    static void on_notify_active(GObject*, GParamSpec*, gpointer self);
    static void on_notify_state(GObject*, GParamSpec*, gpointer self);
    static void on_notify_scale(GObject*, GParamSpec*, gpointer self);
    static void on_realize(GtkWidget*, gpointer self);
    static gboolean on_raw_event(GtkEventControllerLegacy*, GdkEvent* event, gpointer self);

    WindowId id_;
    GObjectPtr<GtkWidget> window_;
    GtkWidget* host_ = nullptr; // owned by window_; a weak pointer
    // The primary-button press that a window move starts from, while the button is down.
    GObjectPtr<GdkDevice> press_device_;
    double press_x_ = 0.0;
    double press_y_ = 0.0;
    guint32 press_time_ = 0;
    GObjectPtr<GdkSurface> surface_;
    std::vector<SignalConnection> connections_;
    SignalConnection surface_state_;
};

} // namespace corvane::platform::gtk
