#include "core/settings_changes.h"

namespace corvane {

void apply_setting(App& /*app*/, std::size_t /*window*/, std::string_view /*key*/,
                   nlohmann::json /*value*/) {
    // FIXME: checking, storing and applying the settings keys comes with settings changes; until
    // then the settings sheet's changes are dropped.
}

} // namespace corvane
