#include "shield/rule_list.h"

#include "shield/shield_rules.h"

#include <utility>

namespace corvane {

namespace {

using platform::ContentFilter;
using platform::ContentFilterStore;

// Keeps an arrived list and reports whether one came.
void finish(const std::weak_ptr<ShieldRuleSlot>& weak_slot, std::shared_ptr<ContentFilter> list,
            const RuleListReady& ready) {
    const auto slot = weak_slot.lock();
    const bool ok = list != nullptr && slot != nullptr;
    if (ok) {
        slot->keep(std::move(list));
    }
    ready(ok);
}

} // namespace

ShieldRuleSource shield_rule_source(std::span<const std::string> allowlist) {
    ShieldRuleSource source;
    source.json = shield_rules_json(allowlist);
    source.identifier = shield_rule_identifier(source.json);
    return source;
}

void install_rule_list(const std::shared_ptr<ContentFilterStore>& store,
                       const std::shared_ptr<ShieldRuleSlot>& slot,
                       std::span<const std::string> allowlist, RuleListReady ready) {
    if (!store) {
        ready(false);
        return;
    }
    auto source = shield_rule_source(allowlist);
    std::weak_ptr<ContentFilterStore> weak_store = store;
    std::weak_ptr<ShieldRuleSlot> weak_slot = slot;
    const std::string identifier = source.identifier;
    store->lookup(identifier, [weak_store, weak_slot, source = std::move(source),
                               ready = std::move(ready)](std::shared_ptr<ContentFilter> found) {
        if (found) {
            finish(weak_slot, std::move(found), ready);
            return;
        }
        const auto live_store = weak_store.lock();
        if (!live_store) {
            ready(false);
            return;
        }
        live_store->compile(source.identifier, source.json,
                            [weak_slot, ready](std::shared_ptr<ContentFilter> compiled) {
                                finish(weak_slot, std::move(compiled), ready);
                            });
    });
}

void apply_shield(platform::WebView& view, bool on, const ShieldRuleSlot& slot) {
    view.remove_all_content_filters();
    if (on && slot.kept()) {
        view.add_content_filter(slot.kept());
    }
}

} // namespace corvane
