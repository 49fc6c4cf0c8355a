#include "engine/shield_wiring.h"

#include "shield/rule_list.h"

namespace corvane {

void install_rule_list(const EngineConfig& config, std::span<const std::string> allowlist) {
    require_main_thread(config.platform->system());
    // The completion holds only a proxy clone; the store and the slot are held weakly.
    install_rule_list(
        config.rule_store, config.shield_slot, allowlist,
        [proxy = config.proxy](bool ok) { proxy.send_event(event::RuleListReady{ok}); });
}

void apply_shield(const EngineConfig& config, platform::WebView& view, bool on) {
    if (config.shield_slot) {
        apply_shield(view, on, *config.shield_slot);
    } else {
        view.remove_all_content_filters();
    }
}

} // namespace corvane
