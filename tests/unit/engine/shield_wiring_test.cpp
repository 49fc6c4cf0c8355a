#include "engine/shield_wiring.h"
#include "engine_test_support.h"
#include "shield/rule_list.h"
#include "shield/shield_rules.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using test::EngineFixture;

std::vector<bool> ready_results(EngineFixture& f) {
    std::vector<bool> results;
    for (const auto& ready : f.events_of<event::RuleListReady>()) {
        results.push_back(ready.ok);
    }
    return results;
}

TEST(ShieldWiring, FirstStartCompilesAndALaterStartOnlyLooksUp) {
    EngineFixture f;
    auto& store = *f.platform.filter_store;
    const std::vector<std::string> allowlist{"news.example"};
    install_rule_list(f.config, allowlist);
    ASSERT_EQ(store.lookups.size(), 1u);
    std::string identifier = store.lookups[0].first;
    EXPECT_EQ(identifier, shield_rule_identifier(shield_rules_json(allowlist)));
    EXPECT_TRUE(ready_results(f).empty()) << "nothing posted before WebKit answers";
    ASSERT_TRUE(store.finish_lookup());
    ASSERT_EQ(store.compiles.size(), 1u) << "not found: compile";
    EXPECT_EQ(std::get<1>(store.compiles[0]), shield_rules_json(allowlist));
    ASSERT_TRUE(store.finish_compile());
    EXPECT_EQ(ready_results(f), std::vector<bool>{true});
    ASSERT_TRUE(f.config.shield_slot->kept());
    EXPECT_EQ(f.config.shield_slot->kept()->identifier(), identifier);

    install_rule_list(f.config, allowlist);
    ASSERT_TRUE(store.finish_lookup());
    EXPECT_EQ(store.compile_calls, 1) << "found under its identifier";
    EXPECT_EQ(ready_results(f), std::vector<bool>{true});
}

TEST(ShieldWiring, FailedCompileReportsFalseAndKeepsThePreviousList) {
    EngineFixture f;
    auto& store = *f.platform.filter_store;
    install_rule_list(f.config, {});
    store.finish_lookup();
    store.finish_compile();
    auto previous = f.config.shield_slot->kept();
    const std::vector<std::string> allowlist{"a.example"};
    install_rule_list(f.config, allowlist);
    store.finish_lookup();
    store.finish_compile(false);
    EXPECT_EQ(ready_results(f), (std::vector<bool>{true, false}));
    EXPECT_EQ(f.config.shield_slot->kept(), previous);
}

TEST(ShieldWiring, NoStoreReportsFalseAtOnce) {
    test::FakePlatform platform;
    platform.fail_filter_store = true;
    test::TempDir dir;
    auto queue = std::make_shared<UserEventQueue>(nullptr);
    EngineConfig config = make_engine_config(platform, EventLoopProxy(queue),
                                             std::make_shared<SharedNewTabSnapshot>(), dir.path());
    install_rule_list(config, {});
    auto event = queue->pop();
    ASSERT_TRUE(event);
    EXPECT_FALSE(std::get<event::RuleListReady>(*event).ok);
}

TEST(ShieldWiring, ApplyShieldReplacesEveryListOnTheView) {
    EngineFixture f;
    auto window = f.platform.create_window({});
    auto view = f.platform.create_web_view(*window, {});
    auto& fake = static_cast<test::FakeWebView&>(*view);
    fake.add_content_filter(std::make_shared<test::FakeContentFilter>("other", "[]"));
    apply_shield(f.config, *view, true);
    EXPECT_TRUE(fake.filters.empty()) << "on, but nothing kept";
    f.config.shield_slot->keep(std::make_shared<test::FakeContentFilter>("corvane-shield-x", "[]"));
    apply_shield(f.config, *view, true);
    ASSERT_EQ(fake.filters.size(), 1u);
    EXPECT_EQ(fake.filters[0]->identifier(), "corvane-shield-x");
    apply_shield(f.config, *view, false);
    EXPECT_TRUE(fake.filters.empty());
}

} // namespace
} // namespace corvane
