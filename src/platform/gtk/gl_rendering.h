#pragma once

#include <gtk/gtk.h>
#include <webkit/webkit.h>

namespace corvane::platform::gtk {

// True when GL on the default display is a software rasteriser or missing, decided once. There
// GTK's GL renderer and WebKit's accelerated compositing cost far more than drawing on the CPU:
// the first frame waits for shader compiles, each web process keeps a GL context of its own and
// every frame goes through the rasteriser twice. GPU machines keep GL.
bool software_gl_only();

// Where GL is software, picks GTK's cairo renderer and has WebKit's web processes paint with
// Skia on the CPU (without it each one still builds a GL context and compiles shaders before its
// first load), unless the environment already chose. Runs before the first window is realized
// and the first web process starts, which is when GTK and WebKit read the choice.
void choose_renderers();

// Switches WebKit's accelerated compositing off where GL is software, except for a transparent
// view. Without compositing WebKit blends each repainted area over the pixels it kept from before
// instead of replacing them: where a transparent page now paints nothing (a list that got
// shorter, a popover that closed), its old content would stay on screen.
void choose_web_rendering(WebKitSettings* settings, bool transparent);

} // namespace corvane::platform::gtk
