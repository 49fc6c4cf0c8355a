#include "core/newtab_data.h"

#include "address/search_engines.h"
#include "core/app.h"
#include "pages/rank_sites.h"

#include <optional>

namespace corvane {

namespace {

constexpr std::size_t kTopSites = 8;

} // namespace

void update_newtab_snapshot(App& app) {
    const Store& store = app.store;
    const SearchEngine& engine = search_engine_for(store.settings.search_engine);
    const std::uint64_t wall = store.clock();
    app.newtab->rebuild([&] {
        NewTabSnapshot next;
        next.engine_template = std::string(engine.url_template);
        next.engine_name = std::string(engine.name);
        // A clock before 1970 reads 0: every visit then weighs the same.
        next.top_sites =
            rank_sites(store.history, kTopSites, wall == 0 ? std::nullopt : std::optional(wall));
        for (auto it = store.bookmarks.rbegin(); it != store.bookmarks.rend(); ++it) {
            next.bookmarks.push_back({it->url, it->title});
        }
        next.shield = store.settings.block_trackers;
        next.https_only = store.settings.https_only;
        return next;
    });
}

} // namespace corvane
