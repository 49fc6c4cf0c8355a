#pragma once

// Keeps the new tab page's data in step with the settings, bookmarks and history.

namespace corvane {

struct App;

// Rebuilds the shared snapshot from the store: the engine row of the setting search_engine
// (the first row for an unknown id), the eight best-ranked sites, the bookmarks newest first
// and the Shield and HTTPS-Only flags. The history is ranked while the lock is held.
void update_newtab_snapshot(App& app);

} // namespace corvane
