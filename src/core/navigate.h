#pragma once

// Loading what the user typed (or a link the chrome page hands over) in a window.

#include "core/app.h"

#include <cstddef>
#include <string_view>

namespace corvane {

enum class NavigateTarget { active_tab, new_tab };

// Resolves text with the current search engine. A refused text shows "Blocked: {reason}" in
// the window; anything else loads in a new tab next to the active one, or in the active tab
// (waking it on the new URL when it sleeps).
// An https URL the browser chose for typed text falls back to http once when the site has no
// HTTPS.
void navigate(App& app, std::size_t window, std::string_view text, NavigateTarget target);

// The active tab of the window has just been opened on text (a command-line argument): when the
// browser chose https for it, its view falls back as navigate's do.
void expect_typed_fallback(App& app, std::size_t window, std::string_view text);

// Text typed into the new tab page the tab shows, resolved and loaded in that tab as navigate
// does for the active tab. Ignored unless the tab still shows the new tab page: no other page
// may hand text over this way.
void navigate_from_new_tab_page(App& app, TabLocation where, std::string_view text);

} // namespace corvane
