#pragma once

// The most visited sites of the history, for the new tab page's tiles.

#include "pages/newtab_snapshot.h"
#include "store/records.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvane {

// Ranks the history's origins by their visits, each visit weighing 1 / (1 + days / 14) by the
// age of the entry's last visit, and returns the best `limit` as (origin + "/", host without
// leading "www.") pairs, best first. now: seconds since 1970, none when the clock is before 1970
// (then every visit weighs 1).
std::vector<NewTabLink> rank_sites(std::span<const HistoryEntry> history, std::size_t limit,
                                   std::optional<std::uint64_t> now);

// The same, at the wall clock's time.
std::vector<NewTabLink> rank_sites(std::span<const HistoryEntry> history, std::size_t limit);

} // namespace corvane
