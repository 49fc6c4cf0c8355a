#include "platform/gtk/keyboard_focus.h"

#include "platform/gtk/gobject_ptr.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace corvane::platform::gtk {

namespace {

constexpr const char* kTrailKey = "corvane-keyboard-trail";
constexpr const char* kWatchedKey = "corvane-keyboard-watched";
// A window's views: its chrome, some tabs and the developer tools.
constexpr std::size_t kRemembered = 8;

class WeakView {
public:
    explicit WeakView(WebKitWebView* view) { g_weak_ref_init(&ref_, view); }
    ~WeakView() { g_weak_ref_clear(&ref_); }
    WeakView(const WeakView&) = delete;
    WeakView& operator=(const WeakView&) = delete;

    // Null once the view is gone.
    GObjectPtr<WebKitWebView> get() {
        return GObjectPtr<WebKitWebView>::adopt(static_cast<WebKitWebView*>(g_weak_ref_get(&ref_)));
    }

private:
    GWeakRef ref_;
};

// The window's views in the order they had the keyboard, the latest last.
struct Trail {
    GtkWindow* window = nullptr; // owns the trail
    std::vector<std::unique_ptr<WeakView>> views;
    // To run on the view once it has the keyboard back in the active window.
    std::vector<std::function<void(WebKitWebView*)>> pending;
    guint idle = 0;

    Trail() = default;
    Trail(const Trail&) = delete;
    Trail& operator=(const Trail&) = delete;
    ~Trail() {
        if (idle != 0) {
            g_source_remove(idle);
        }
    }
};

Trail* trail_of(GtkWindow* window) {
    return static_cast<Trail*>(g_object_get_data(G_OBJECT(window), kTrailKey));
}

// The view whose page has the keyboard when focus is this widget. A context menu is a child of
// its view, but while it is up the keyboard is in the menu.
GtkWidget* view_holding(GtkWidget* focus) {
    if (focus == nullptr || gtk_widget_get_ancestor(focus, GTK_TYPE_POPOVER) != nullptr) {
        return nullptr;
    }
    return gtk_widget_get_ancestor(focus, WEBKIT_TYPE_WEB_VIEW);
}

bool popover_open(GtkWidget* widget) {
    for (GtkWidget* child = gtk_widget_get_first_child(widget); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        if ((GTK_IS_POPOVER(child) && gtk_widget_get_mapped(child)) || popover_open(child)) {
            return true;
        }
    }
    return false;
}

void remember(Trail& trail, WebKitWebView* view) {
    std::erase_if(trail.views, [view](const std::unique_ptr<WeakView>& entry) {
        GObjectPtr<WebKitWebView> held = entry->get();
        return !held || held.get() == view;
    });
    if (trail.views.size() == kRemembered) {
        trail.views.erase(trail.views.begin());
    }
    trail.views.push_back(std::make_unique<WeakView>(view));
}

// The latest view still shown in the window. The window holds it, so the pointer stays good.
WebKitWebView* latest_shown(Trail& trail) {
    for (auto it = trail.views.rbegin(); it != trail.views.rend(); ++it) {
        GObjectPtr<WebKitWebView> view = (*it)->get();
        GtkWidget* widget = view ? GTK_WIDGET(view.get()) : nullptr;
        if (widget != nullptr && gtk_widget_get_mapped(widget) &&
            gtk_widget_get_root(widget) == GTK_ROOT(trail.window)) {
            return view.get();
        }
    }
    return nullptr;
}

// Once focus has settled: nobody (a menu bar item, a closed menu, a removed view) has the
// keyboard while no menu is open, so the latest view gets it back; then the actions waiting for it
// run, when the window is active (a page edits only while it has the keyboard).
gboolean give_back(gpointer data) {
    auto* trail = static_cast<Trail*>(data);
    trail->idle = 0;
    if (popover_open(GTK_WIDGET(trail->window))) {
        return G_SOURCE_REMOVE;
    }
    GtkWidget* holder = view_holding(gtk_root_get_focus(GTK_ROOT(trail->window)));
    if (holder == nullptr) {
        if (WebKitWebView* view = latest_shown(*trail)) {
            gtk_widget_grab_focus(GTK_WIDGET(view));
            holder = GTK_WIDGET(view);
        }
    }
    if (holder == nullptr) {
        trail->pending.clear();
    } else if (gtk_window_is_active(trail->window)) {
        for (auto& action : std::exchange(trail->pending, {})) {
            action(WEBKIT_WEB_VIEW(holder));
        }
    }
    return G_SOURCE_REMOVE;
}

void give_back_later(Trail& trail) {
    if (trail.idle == 0) {
        trail.idle = g_idle_add(give_back, &trail);
    }
}

void on_popover_closed(GtkPopover*, gpointer window) {
    if (Trail* trail = trail_of(GTK_WINDOW(window))) {
        give_back_later(*trail);
    }
}

void on_notify_active(GtkWindow*, GParamSpec*, gpointer data) {
    auto* trail = static_cast<Trail*>(data);
    if (!trail->pending.empty()) {
        give_back_later(*trail);
    }
}

void on_focus_widget(GtkWindow* window, GParamSpec*, gpointer data) {
    auto* trail = static_cast<Trail*>(data);
    GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(window));
    if (GtkWidget* view = view_holding(focus)) {
        remember(*trail, WEBKIT_WEB_VIEW(view));
        return;
    }
    GtkWidget* popover =
        focus != nullptr ? gtk_widget_get_ancestor(focus, GTK_TYPE_POPOVER) : nullptr;
    if (popover == nullptr) {
        give_back_later(*trail);
    } else if (g_object_get_data(G_OBJECT(popover), kWatchedKey) == nullptr) {
        // GTK may leave the focus on the closed menu without telling.
        g_object_set_data(G_OBJECT(popover), kWatchedKey, GINT_TO_POINTER(1));
        g_signal_connect_object(popover, "closed", as_callback(on_popover_closed), window,
                                GConnectFlags(0));
    }
}

void delete_trail(gpointer trail) {
    delete static_cast<Trail*>(trail);
}

} // namespace

void follow_keyboard(GtkWindow* window) {
    auto* trail = new Trail;
    trail->window = window;
    g_object_set_data_full(G_OBJECT(window), kTrailKey, trail, delete_trail);
    g_signal_connect(window, "notify::focus-widget", as_callback(on_focus_widget), trail);
    g_signal_connect(window, "notify::is-active", as_callback(on_notify_active), trail);
}

void pass_keyboard_on(WebKitWebView* leaving) {
    GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(leaving));
    Trail* trail = GTK_IS_WINDOW(root) ? trail_of(GTK_WINDOW(root)) : nullptr;
    GtkWidget* focus = root != nullptr ? gtk_root_get_focus(root) : nullptr;
    if (trail == nullptr || view_holding(focus) != GTK_WIDGET(leaving)) {
        return;
    }
    std::erase_if(trail->views, [leaving](const std::unique_ptr<WeakView>& entry) {
        GObjectPtr<WebKitWebView> held = entry->get();
        return !held || held.get() == leaving;
    });
    if (WebKitWebView* view = latest_shown(*trail)) {
        gtk_widget_grab_focus(GTK_WIDGET(view));
    }
}

void act_on_keyboard_view(GtkWindow* window, std::function<void(WebKitWebView*)> action) {
    if (Trail* trail = window != nullptr ? trail_of(window) : nullptr) {
        trail->pending.push_back(std::move(action));
        give_back_later(*trail);
    }
}

} // namespace corvane::platform::gtk
