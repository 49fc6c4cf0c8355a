#pragma once

// Find in page: the core's side.

#include "core/app.h"

namespace corvane {

void handle_find_result(App& app, const event::FindResult& result);

} // namespace corvane
