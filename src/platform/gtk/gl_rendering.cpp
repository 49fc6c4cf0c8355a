#include "platform/gtk/gl_rendering.h"

#include "platform/gtk/gobject_ptr.h"

#include <array>
#include <epoxy/gl.h>
#include <string_view>

namespace corvane::platform::gtk {

namespace {

constexpr std::array<std::string_view, 5> kSoftwareRenderers = {
    "llvmpipe", "softpipe", "Software Rasterizer", "SWR", "SwiftShader"};

bool has_render_node() {
    GDir* dir = g_dir_open("/dev/dri", 0, nullptr);
    if (dir == nullptr) {
        return false;
    }
    bool found = false;
    while (const char* name = g_dir_read_name(dir)) {
        found = found || g_str_has_prefix(name, "renderD");
    }
    g_dir_close(dir);
    return found;
}

bool renderer_is_software(GdkDisplay* display) {
    GError* error = nullptr;
    auto context = GObjectPtr<GdkGLContext>::adopt(gdk_display_create_gl_context(display, &error));
    if (!context || !gdk_gl_context_realize(context.get(), &error)) {
        g_clear_error(&error);
        return true;
    }
    gdk_gl_context_make_current(context.get());
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string_view renderer = name != nullptr ? name : "";
    gdk_gl_context_clear_current();
    for (std::string_view software : kSoftwareRenderers) {
        if (renderer.find(software) != std::string_view::npos) {
            return true;
        }
    }
    return renderer.empty();
}

bool decide_software_gl_only() {
    // Without a render node Mesa can only rasterise in software: no GL set-up is needed to
    // know. With one, the display may still not reach it (Xvfb, a remote X server).
    if (!has_render_node()) {
        return true;
    }
    GdkDisplay* display = gdk_display_get_default();
    return display == nullptr || renderer_is_software(display);
}

} // namespace

bool software_gl_only() {
    static const bool software = decide_software_gl_only();
    return software;
}

void choose_renderers() {
    if (software_gl_only()) {
        g_setenv("GSK_RENDERER", "cairo", FALSE);
        g_setenv("WEBKIT_SKIA_ENABLE_CPU_RENDERING", "1", FALSE);
    }
}

void choose_web_rendering(WebKitSettings* settings, bool transparent) {
    if (software_gl_only() && !transparent) {
        webkit_settings_set_hardware_acceleration_policy(settings,
                                                         WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    }
}

} // namespace corvane::platform::gtk
