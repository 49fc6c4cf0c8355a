#pragma once

// Browser windows: opening, laying out, closing, and which one is current.

#include "core/app.h"
#include "core/layout.h"
#include "platform/window.h"
#include "store/records.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace corvane {

enum class WindowKind { normal, private_browsing };

platform::WindowOptions window_attributes(WindowKind kind);

// Opens a window with one chrome view and the given tabs (the new tab page when there are
// none); only the active tab (clamped to the last) gets a web view. The new window becomes the
// focused one. None when the system window or its chrome view cannot be made.
std::optional<std::size_t> create_window(App& app, WindowKind kind, std::vector<SessionTab> tabs,
                                         std::size_t active);

// Where the window's views go, from its size and flags.
WindowLayout window_layout(const BrowserWindow& window);

// Places the chrome view, every awake tab and the developer-tools pane from the window's size
// and flags.
void layout_window(BrowserWindow& window);

// A view's page went full screen: it alone fills the window, the menu bar, the chrome view and
// the developer-tools pane hidden. With 0 they come back as they were.
void set_page_fullscreen(BrowserWindow& window, ViewId view);

// Closes the window at index (nothing for an index past the end). The last normal window saves
// the session and the store first, also while private windows stay open. Closing the last window
// ends the browser (App::last_window_closed).
void close_window(App& app, std::size_t index);

// The focused window, else the last one; none without windows.
std::optional<std::size_t> current_window_index(const App& app);

// Captures the open windows as the session, writes it and flushes the store. While no normal
// window is open the saved session stays as the last normal window left it: only the store is
// flushed.
void save_session_now(App& app);

// Captures the open windows and writes them as the session when they differ from the session
// last saved (or read at start-up), so a crash loses little. Nothing while no normal window is
// open.
void save_session_if_changed(App& app);

} // namespace corvane
