#include "engine/shield_wiring.h"
#include "engine_test_support.h"

namespace corvane::test {

using ShieldWiringTest = EngineTest;

// How lists are compiled, found and kept is the Shield's own (unit/shield, integration/engine);
// here: the config's store and slot, the outcome posted, the kept list put on a view.
TEST_F(ShieldWiringTest, InstallPostsTheOutcomeAndApplyPutsTheKeptListOnAView) {
    const auto outcome = [this] {
        const auto ready = taken<event::RuleListReady>();
        return ready.size() == 1 ? std::optional(ready[0].ok) : std::nullopt;
    };
    install_rule_list(config, std::vector<std::string>{"news.example"});
    ASSERT_TRUE(platform.filter_store->finish_lookup());
    EXPECT_EQ(outcome(), std::nullopt) << "nothing posted before WebKit answers";
    ASSERT_TRUE(platform.filter_store->finish_compile());
    EXPECT_EQ(outcome(), true);
    apply_shield(config, *chrome, true);
    EXPECT_EQ(fake(*chrome).filters.at(0), config.shield_slot->kept());
    apply_shield(config, *chrome, false);
    EXPECT_TRUE(fake(*chrome).filters.empty());

    install_rule_list(config, std::vector<std::string>{"a.example"});
    platform.filter_store->finish_lookup();
    platform.filter_store->finish_compile(false);
    EXPECT_EQ(outcome(), false);
    platform.fail_filter_store = true;
    config = make_config();
    install_rule_list(config, {});
    EXPECT_EQ(outcome(), false) << "no store";
}

} // namespace corvane::test
