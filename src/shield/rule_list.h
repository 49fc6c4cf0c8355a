#pragma once

// Installing the Shield's rule list into the engine's content-filter store and attaching it to
// web views.
//
// install_rule_list looks the list up under its identifier (the hash of its JSON text), and
// compiles the JSON only when the look-up finds nothing, so an unchanged allowlist never
// recompiles. The list that arrives is kept in the ShieldRuleSlot, replacing the one kept
// before; ready(ok) is called once, on the main thread, telling whether a list came (the core
// posts its "rule list ready" event from it). A failed compile keeps the previous list in the
// slot. Lists compiled under earlier identifiers stay in the store.

#include "platform/content_filter.h"
#include "platform/web_view.h"

#include <functional>
#include <memory>
#include <span>
#include <string>

namespace corvane {

// The compiled list in use: empty at start, replaced by every successful install. Main thread.
class ShieldRuleSlot {
public:
    void keep(std::shared_ptr<platform::ContentFilter> list) { list_ = std::move(list); }
    const std::shared_ptr<platform::ContentFilter>& kept() const { return list_; }

private:
    std::shared_ptr<platform::ContentFilter> list_;
};

// What the engine's store is given: the rule JSON and the identifier it is kept under.
struct ShieldRuleSource {
    std::string identifier; // "corvane-shield-" + 16 lower-case hex digits
    std::string json;
};

ShieldRuleSource shield_rule_source(std::span<const std::string> allowlist);

using RuleListReady = std::function<void(bool ok)>;

// store may be null (no store could be opened): ready(false) is then called at once. The slot
// and the store are held weakly while the engine works; when either is gone by the time it
// answers, nothing is kept and ready(false) is reported.
void install_rule_list(const std::shared_ptr<platform::ContentFilterStore>& store,
                       const std::shared_ptr<ShieldRuleSlot>& slot,
                       std::span<const std::string> allowlist, RuleListReady ready);

// Removes every content filter from the view, then adds the kept list when on and one is kept.
void apply_shield(platform::WebView& view, bool on, const ShieldRuleSlot& slot);

} // namespace corvane
