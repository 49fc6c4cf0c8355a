#pragma once

// The developer-tools pane's side of the event dispatch.

#include "core/app.h"

#include <cstddef>

namespace corvane {

// Results over this size reach the page as "null".
inline constexpr std::size_t kMaxDevResultBytes = 4194304;

// Opens the pane when closed, closes it when open.
void toggle_devtools(App& app, std::size_t window);

void handle_dev_eval_result(App& app, const event::DevEvalResult& result);
void handle_self_test(App& app, const event::SelfTest& test);

} // namespace corvane
