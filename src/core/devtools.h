#pragma once

// The developer-tools pane's side of the event dispatch.

#include "core/app.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

// Results over this size reach the page as "null".
inline constexpr std::size_t kMaxDevResultBytes = 4194304;
// Code over this size is not evaluated; the page gets "null".
inline constexpr std::size_t kMaxDevCodeBytes = 262144;
inline constexpr double kMinDevtoolsHeight = 120.0;
inline constexpr double kMaxDevtoolsHeight = 2000.0;

// Opens the pane when closed, closes it when open.
void toggle_devtools(App& app, std::size_t window);

// The script that hooks the console from the start of each document: for the window's active
// tab while its pane is open, else "".
std::string console_hook_for(const BrowserWindow& window, const Tab& tab);
// Gives every awake tab of the window the console hook it should have.
void place_console_hooks(BrowserWindow& window);

// Evaluates the pane's code in the window's active tab. Without an awake active tab, or for code
// over the limit, the answer "null" is posted, so the page's request still completes.
void evaluate_for_devtools(App& app, std::size_t window, std::uint64_t id, const std::string& code);

// Keeps the pane's wanted height, clamped; a height that is not a finite number is ignored. It is
// kept also while no pane is open, for the next opening.
void resize_devtools(App& app, std::size_t window, double height);

void handle_dev_eval_result(App& app, const event::DevEvalResult& result);
void handle_self_test(App& app, const event::SelfTest& test);

} // namespace corvane
