#pragma once

// The generated new tab page: logo, greeting, search field, up to eight site tiles and the
// Shield and HTTPS-Only chips, formatted from a copy of the snapshot.

#include "pages/newtab_snapshot.h"

#include <string>
#include <string_view>

namespace corvane {

enum class WindowPrivacy { normal, private_window };

// Bookmarks (the eight newest) come first; top sites fill the rest up to eight, except in a
// private window, which shows bookmarks only. The page hands typed text to the browser with
// hand_over_key.
std::string render_newtab_page(const NewTabSnapshot& snapshot, WindowPrivacy privacy,
                               std::string_view hand_over_key = {});

// The markup of one tile, or "" when the URL does not parse or is neither http nor https.
std::string newtab_tile_html(std::string_view url, std::string_view name);

} // namespace corvane
