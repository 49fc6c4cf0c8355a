#pragma once

// A top-level window: the parent of web views, placed by the window manager.

#include "platform/geometry.h"

#include <cstdint>
#include <functional>
#include <string>

namespace corvane::platform {

// Unique for the run; never reused.
using WindowId = std::uint64_t;

struct WindowOptions {
    std::string title;
    Size size{1280.0, 820.0};
    Size min_size{520.0, 360.0};
};

class Window {
public:
    virtual ~Window() = default; // closes the window

    virtual WindowId id() const = 0;
    // The content area in logical points.
    virtual Size inner_size() const = 0;
    virtual double scale_factor() const = 0;

    virtual void set_title(const std::string& title) = 0;
    virtual void present() = 0;
    virtual void minimize() = 0;
    virtual bool is_minimized() const = 0;
    virtual bool is_maximized() const = 0;
    virtual void set_maximized(bool maximized) = 0;
    virtual bool is_fullscreen() const = 0;
    virtual void set_fullscreen(bool fullscreen) = 0;
    virtual void set_menu_bar_visible(bool visible) = 0;
    virtual bool is_active() const = 0;
    // Starts a window move from the primary-button press that is still held down inside the
    // window; does nothing when no such press is under way.
    virtual void drag_window() = 0;
    // Asks the person, modally over the window and with the keyboard, whether to leave a page:
    // Return leaves, Escape stays. answered runs once, with staying when the window goes
    // first.
    virtual void ask_to_leave(std::function<void(bool leave)> answered) = 0;

    // Hooks, all on the main thread.
    std::function<void(Size)> on_resized;
    std::function<void(double)> on_scale_factor_changed;
    std::function<void(bool)> on_focus_changed;
    // Set: the window stays open and the owner decides (dropping the Window closes it). Unset:
    // the window closes itself.
    std::function<void()> on_close_requested;
    // Maximised, full-screen or minimised state changed.
    std::function<void()> on_state_changed;
};

} // namespace corvane::platform
