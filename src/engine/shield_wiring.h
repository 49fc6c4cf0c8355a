#pragma once

// The Shield's rule list in the engine: installing it (look-up or compile, then RuleListReady)
// and attaching it to a content tab.

#include "engine/engine_config.h"
#include "platform/web_view.h"

#include <span>
#include <string>

namespace corvane {

// Looks up or compiles the list for the allowlist; the outcome arrives as RuleListReady.
void install_rule_list(const EngineConfig& config, std::span<const std::string> allowlist);

// Removes every list from the view, then adds the kept one when on and one is kept.
void apply_shield(const EngineConfig& config, platform::WebView& view, bool on);

} // namespace corvane
