#pragma once

// The core's side of the chrome protocol towards the page: named functions of the page's script
// object CV, called by evaluating a short script in a UI web view.

#include "core/app.h"
#include "protocol/chrome_state.h"

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Evaluates "window.CV&&CV.name(args...)" with each argument as compact JSON; the outcome is
// ignored, and the guard makes it a no-op while the page has not defined CV yet.
void call_ui_page(platform::WebView& view, std::string_view name,
                  const std::vector<nlohmann::json>& args);

// The state render pushes: the window's tabs as stored, the active tab's live address and
// history buttons, the settings' Shield rule and the bookmarks.
ChromeState window_state(const App& app, const BrowserWindow& window);

// Names the system window after its active tab and pushes the window's whole state to its
// chrome page; nothing is pushed before the page reported ready, and nothing at all happens
// while the window has no active tab.
void render(App& app, std::size_t window);

void show_toast(std::vector<BrowserWindow>& windows, std::size_t window, const std::string& text);

// Tells the window's developer-tools page, when open, which page it now inspects.
void reset_devtools(std::vector<BrowserWindow>& windows, std::size_t window);

} // namespace corvane
