#pragma once

// Bookmarking the page of a window's active tab, or removing its bookmark.

#include "core/app.h"

#include <cstddef>

namespace corvane {

// Adds or removes the bookmark of the active tab's page (only http and https pages), refreshes
// the new tab data, shows "Bookmarked" or "Bookmark removed" in that window and renders it, so
// the star follows. The store writes the change at its next flush.
void toggle_active_bookmark(App& app, std::size_t window);

} // namespace corvane
