// The Shield's real rule list compiled by WebKit and applied to content tabs.
#include "engine/shield_wiring.h"
#include "engine_harness.h"
#include "shield/rule_list.h"
#include "shield/shield_rules.h"

namespace corvane::test {
namespace {

// A store that counts what the engine asks of the real one.
class CountingStore final : public platform::ContentFilterStore {
public:
    explicit CountingStore(std::shared_ptr<platform::ContentFilterStore> real)
        : real_(std::move(real)) {}
    void lookup(const std::string& identifier, Completion done) override {
        ++lookups;
        real_->lookup(identifier, std::move(done));
    }
    void compile(const std::string& identifier, const std::string& json, Completion done) override {
        ++compiles;
        real_->compile(identifier, json, std::move(done));
    }
    int lookups = 0;
    int compiles = 0;

private:
    std::shared_ptr<platform::ContentFilterStore> real_;
};

constexpr const char* kNews = "http://news.corvane-test.example/news";

bool ready(bool ok) {
    return wait_for<event::RuleListReady>(
               [ok](const event::RuleListReady& r) { return r.ok == ok; })
        .has_value();
}

using Shield = EngineTest;

TEST_F(Shield, RuleListBlocksThirdPartyTrackersUnlessRemovedOrAllowlisted) {
    EngineConfig& config = world().config;
    install_rule_list(config, {});
    ASSERT_TRUE(ready(true));
    config.rule_list_ready = true;

    std::size_t ads = world().server->count("/ad.js");
    auto tab = open_tab(kNews, 41, nullptr, false, true);
    ASSERT_TRUE(loaded(41, kNews));
    pump(300ms);
    EXPECT_EQ(world().server->count("/ad.js"), ads) << "the tracker script was never requested";
    EXPECT_EQ(tab->title(), "news");

    apply_shield(config, *tab, false);
    world().seen.clear();
    tab->reload();
    ASSERT_TRUE(loaded(41, kNews));
    ASSERT_TRUE(wait_until([&] { return tab->title() == "news ad-ran"; }));

    world().seen.clear();
    const std::vector<std::string> allowlist{"news.corvane-test.example"};
    install_rule_list(config, allowlist);
    ASSERT_TRUE(ready(true));
    auto allowed = open_tab(kNews, 42, nullptr, false, true);
    ASSERT_TRUE(loaded(42, kNews));
    EXPECT_TRUE(wait_until([&] { return allowed->title() == "news ad-ran"; }))
        << "an allowlisted site loads its third parties";
}

TEST_F(Shield, LaterStartFindsTheCompiledListByItsIdentifier) {
    const std::vector<std::string> allowlist{"later.example"};
    install_rule_list(world().config, allowlist);
    ASSERT_TRUE(ready(true));

    // A second start on the same folder: the store and slot are new, the files are not.
    auto store = std::make_shared<CountingStore>(world().platform->open_content_filter_store(
        engine_folders(world().data.path()).content_rules));
    auto slot = std::make_shared<ShieldRuleSlot>();
    std::optional<bool> result;
    install_rule_list(store, slot, allowlist, [&](bool ok) { result = ok; });
    ASSERT_TRUE(wait_until([&] { return result.has_value(); }));
    EXPECT_TRUE(*result);
    EXPECT_EQ(store->lookups, 1);
    EXPECT_EQ(store->compiles, 0);
    ASSERT_NE(slot->kept(), nullptr);
    EXPECT_EQ(slot->kept()->identifier(), shield_rule_identifier(shield_rules_json(allowlist)));
}

} // namespace
} // namespace corvane::test
