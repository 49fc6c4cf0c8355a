#pragma once

#include <gtk/gtk.h>
#include <webkit/webkit.h>

namespace corvane::platform::gtk {

// True when GL on the default display is a software rasteriser or missing, decided once. There
// GTK's GL renderer and WebKit's accelerated compositing cost far more than drawing on the CPU:
// the first frame waits for shader compiles, each web process keeps a GL context of its own and
// every frame goes through the rasteriser twice. GPU machines keep GL.
bool software_gl_only();

// Picks GTK's cairo renderer where GL is software, unless GSK_RENDERER is set. Runs before the
// first window is realized, which is when GTK reads the choice.
void choose_gtk_renderer();

// Switches WebKit's accelerated compositing off where GL is software.
void choose_web_rendering(WebKitSettings* settings);

} // namespace corvane::platform::gtk
