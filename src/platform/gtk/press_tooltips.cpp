#include "platform/gtk/press_tooltips.h"

#include <cmath>

namespace corvane::platform::gtk {

namespace {

struct PressState {
    bool held_back = false;
    double x = 0.0;
    double y = 0.0;
};

constexpr const char* kStateKey = "corvane-press-tooltips";

PressState& state_of(GtkWidget* widget) {
    return *static_cast<PressState*>(g_object_get_data(G_OBJECT(widget), kStateKey));
}

gboolean on_event(GtkEventControllerLegacy* controller, GdkEvent* event, gpointer) {
    GtkWidget* widget = gtk_event_controller_get_widget(GTK_EVENT_CONTROLLER(controller));
    PressState& state = state_of(widget);
    double x = 0.0;
    double y = 0.0;
    const GdkEventType type = gdk_event_get_event_type(event);
    if (type == GDK_BUTTON_PRESS && gdk_event_get_position(event, &x, &y)) {
        state = {true, x, y};
    } else if (type == GDK_MOTION_NOTIFY && state.held_back &&
               gdk_event_get_position(event, &x, &y)) {
        // Toolkits repeat the last position after a press or a grab; only a real move counts.
        state.held_back = std::abs(x - state.x) < 1.0 && std::abs(y - state.y) < 1.0;
    }
    return FALSE;
}

gboolean on_query_tooltip(GtkWidget* widget, int, int, gboolean, GtkTooltip*, gpointer) {
    if (state_of(widget).held_back) {
        // Ahead of the widget's own handler, which would answer with the stale text.
        g_signal_stop_emission_by_name(widget, "query-tooltip");
    }
    return FALSE;
}

} // namespace

void hide_tooltips_after_press(GtkWidget* widget) {
    g_object_set_data_full(G_OBJECT(widget), kStateKey, new PressState{},
                           [](gpointer state) { delete static_cast<PressState*>(state); });
    GtkEventController* controller = gtk_event_controller_legacy_new();
    gtk_event_controller_set_propagation_phase(controller, GTK_PHASE_CAPTURE);
    g_signal_connect(controller, "event", G_CALLBACK(on_event), nullptr);
    gtk_widget_add_controller(widget, controller);
    g_signal_connect(widget, "query-tooltip", G_CALLBACK(on_query_tooltip), nullptr);
}

} // namespace corvane::platform::gtk
