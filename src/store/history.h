#pragma once

// History, bookmark and allowlist changes. None writes a file: they set the store's dirty flags
// and flush_store writes later. URLs, titles and hosts compare byte for byte.
//
// History order: new entries are appended, so the list is in order of first visit until it
// first outgrows the cap; each time an append finds kHistoryCap or more entries, the list is
// sorted newest first (stable) and cut to the cap, and later entries are appended behind.

#include "store/store.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

inline constexpr std::size_t kHistoryCap = 5000;

// Counts a visit of an http or https page (scheme in lower case): bumps the entry for url
// (visits stop at the 32-bit maximum; a non-empty title replaces the stored one) or appends a
// new one, then enforces the cap. Any other URL changes nothing.
void record_visit(Store& store, std::string_view url, std::string_view title);

// Replaces the title of the first entry for url, an empty title included. Never adds an entry;
// sets history_dirty only when the title changed.
void set_history_title(Store& store, std::string_view url, std::string_view title);

// Empties the history and always sets history_dirty, so "[]" is written at the next flush.
void clear_history(Store& store);

// Removes the first bookmark for url and returns false, or appends one stamped with the store's
// clock and returns true. Sets bookmarks_dirty in both cases.
bool toggle_bookmark(Store& store, std::string_view url, std::string_view title);

// Removes every bookmark for url. The caller sets bookmarks_dirty.
void remove_bookmark(std::vector<Bookmark>& bookmarks, std::string_view url);

// Removes every occurrence of host. The caller sets settings_dirty.
void remove_from_allowlist(std::vector<std::string>& allowlist, std::string_view host);

} // namespace corvane
