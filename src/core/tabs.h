#pragma once

// Tabs: adding, showing, selecting and closing them. A tab without a web view is asleep; showing
// it builds a new view on its stored URL.

#include "core/app.h"
#include "platform/geometry.h"

#include <cstddef>
#include <memory>
#include <string>

namespace corvane {

// Closed tabs remembered for "reopen closed tab".
inline constexpr std::size_t kMaxClosedTabs = 25;

enum class TabFocus { background, foreground };
enum class TabPlace { at_end, after_active };

// Where every awake tab of the window goes: below the chrome strip, above the developer tools.
platform::Rect content_bounds(const BrowserWindow& window);

// Gives the tab a new content view on url, below the window's chrome view, with a number of its
// own. The tab stays asleep when the view cannot be built.
void spawn_tab_webview(App& app, std::size_t window, Tab& tab, const std::string& url);

// Puts the awake tab to sleep: drops its view, keeping the view's back/forward list for the next.
void drop_tab_view(Tab& tab);

// Wakes the active tab when it sleeps, shows it and hides the others, then keeps the number of
// awake background tabs within the setting. Renders nothing.
void show_tab(App& app, std::size_t window);

// Makes the tab at index active (nothing for an index past the end), focuses it and renders.
void select_tab(App& app, std::size_t window, std::size_t index);

// Inserts a tab on url and returns its id. A foreground tab becomes active; a background tab
// gets a hidden web view at once.
TabId add_tab(App& app, std::size_t window, std::string url, TabFocus focus, TabPlace place);

// Removes the tab; true when the window has no tab left (the caller then closes the window).
bool close_tab(App& app, std::size_t window, TabId id);

} // namespace corvane
