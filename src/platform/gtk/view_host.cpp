#include "platform/gtk/view_host.h"

#include <cmath>
#include <unordered_map>
#include <utility>

namespace corvane::platform::gtk {
namespace {

struct HostState {
    std::unordered_map<GtkWidget*, Rect> bounds;
    std::function<void(Size)> on_resize;
    Size size;
    guint resize_idle = 0;
};

constexpr const char* kStateKey = "corvane-view-host-state";

HostState& state_of(GtkWidget* host) {
    return *static_cast<HostState*>(g_object_get_data(G_OBJECT(host), kStateKey));
}

void destroy_state(gpointer data) {
    auto* state = static_cast<HostState*>(data);
    if (state->resize_idle != 0) {
        g_source_remove(state->resize_idle);
    }
    delete state;
}

void host_measure(GtkWidget*, GtkOrientation, int, int* minimum, int* natural,
                  int* minimum_baseline, int* natural_baseline) {
    *minimum = 0;
    *natural = 0;
    *minimum_baseline = -1;
    *natural_baseline = -1;
}

gboolean report_resize(gpointer data) {
    auto* host = static_cast<GtkWidget*>(data);
    HostState& state = state_of(host);
    state.resize_idle = 0;
    if (state.on_resize) {
        state.on_resize(state.size);
    }
    return G_SOURCE_REMOVE;
}

GtkAllocation to_allocation(const Rect& r) {
    return GtkAllocation{static_cast<int>(std::lround(r.x)), static_cast<int>(std::lround(r.y)),
                         static_cast<int>(std::lround(std::max(r.width, 0.0))),
                         static_cast<int>(std::lround(std::max(r.height, 0.0)))};
}

void host_size_allocate(GtkWidget* host, int width, int height, int) {
    HostState& state = state_of(host);
    for (GtkWidget* child = gtk_widget_get_first_child(host); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        if (!gtk_widget_should_layout(child)) {
            continue;
        }
        // GTK wants every child measured before it is allocated.
        int ignored = 0;
        gtk_widget_measure(child, GTK_ORIENTATION_HORIZONTAL, -1, &ignored, &ignored, nullptr,
                           nullptr);
        auto found = state.bounds.find(child);
        GtkAllocation allocation =
            to_allocation(found == state.bounds.end() ? Rect{} : found->second);
        gtk_widget_size_allocate(child, &allocation, -1);
    }
    Size size{static_cast<double>(width), static_cast<double>(height)};
    if (size != state.size) {
        state.size = size;
        if (state.resize_idle == 0) {
            state.resize_idle = g_idle_add_full(G_PRIORITY_DEFAULT, report_resize, host, nullptr);
        }
    }
}

void host_dispose(GObject* object) {
    GtkWidget* host = GTK_WIDGET(object);
    while (GtkWidget* child = gtk_widget_get_first_child(host)) {
        gtk_widget_unparent(child);
    }
    GObjectClass* parent = G_OBJECT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)));
    parent->dispose(object);
}

void host_class_init(gpointer klass, gpointer) {
    G_OBJECT_CLASS(klass)->dispose = host_dispose;
    GtkWidgetClass* widget_class = GTK_WIDGET_CLASS(klass);
    widget_class->measure = host_measure;
    widget_class->size_allocate = host_size_allocate;
}

void host_init(GTypeInstance* instance, gpointer) {
    g_object_set_data_full(G_OBJECT(instance), kStateKey, new HostState, destroy_state);
    gtk_widget_set_overflow(GTK_WIDGET(instance), GTK_OVERFLOW_HIDDEN);
}

GType view_host_get_type() {
    static GType type = 0;
    if (type == 0) {
        GTypeInfo info{};
        info.class_size = sizeof(GtkWidgetClass);
        info.class_init = host_class_init;
        info.instance_size = sizeof(GtkWidget);
        info.instance_init = host_init;
        type = g_type_register_static(GTK_TYPE_WIDGET, "CorvaneViewHost", &info, GTypeFlags(0));
    }
    return type;
}

} // namespace

GtkWidget* view_host_new() {
    return GTK_WIDGET(g_object_new(view_host_get_type(), nullptr));
}

void view_host_add(GtkWidget* host, GtkWidget* child, const Rect& bounds) {
    state_of(host).bounds[child] = bounds;
    gtk_widget_insert_before(child, host, nullptr);
}

void view_host_remove(GtkWidget* host, GtkWidget* child) {
    state_of(host).bounds.erase(child);
    if (gtk_widget_get_parent(child) == host) {
        gtk_widget_unparent(child);
    }
}

void view_host_set_bounds(GtkWidget* host, GtkWidget* child, const Rect& bounds) {
    state_of(host).bounds[child] = bounds;
    gtk_widget_queue_allocate(host);
}

Rect view_host_bounds(GtkWidget* host, GtkWidget* child) {
    const HostState& state = state_of(host);
    auto found = state.bounds.find(child);
    return found == state.bounds.end() ? Rect{} : found->second;
}

void view_host_on_resize(GtkWidget* host, std::function<void(Size)> on_resize) {
    state_of(host).on_resize = std::move(on_resize);
}

} // namespace corvane::platform::gtk
