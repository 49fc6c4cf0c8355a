#include "fake/fake_platform.h"
#include "fake/fake_web_view.h"
#include "shield/rule_list.h"
#include "shield/shield_rules.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

using test::FakeContentFilter;

class InstallRuleList : public ::testing::Test {
protected:
    void install(const std::vector<std::string>& allowlist) {
        install_rule_list(store_, slot_, allowlist, [this](bool ok) { answers_.push_back(ok); });
    }

    std::shared_ptr<test::FakeContentFilterStore> store_ =
        std::make_shared<test::FakeContentFilterStore>("store");
    std::shared_ptr<ShieldRuleSlot> slot_ = std::make_shared<ShieldRuleSlot>();
    std::vector<bool> answers_;
};

TEST_F(InstallRuleList, CompilesOnceThenFindsTheListByIdentifier) {
    const std::vector<std::string> allowlist{"example.com"};
    const auto json = shield_rules_json(allowlist);
    install(allowlist);
    ASSERT_TRUE(store_->finish_lookup());
    EXPECT_TRUE(answers_.empty()) << "the answer comes after the compile";
    ASSERT_EQ(store_->compiles.size(), 1u);
    EXPECT_EQ(std::get<0>(store_->compiles[0]), shield_rule_identifier(json));
    EXPECT_EQ(std::get<1>(store_->compiles[0]), json);
    ASSERT_TRUE(store_->finish_compile());
    ASSERT_TRUE(slot_->kept());
    EXPECT_EQ(slot_->kept()->identifier(), shield_rule_identifier(json));

    // The same allowlist again only looks up.
    slot_ = std::make_shared<ShieldRuleSlot>();
    install(allowlist);
    ASSERT_TRUE(store_->finish_lookup());
    EXPECT_EQ(store_->compile_calls, 1);
    EXPECT_EQ(slot_->kept(), store_->kept.begin()->second);
    EXPECT_EQ(answers_, (std::vector<bool>{true, true}));
}

TEST_F(InstallRuleList, FailedCompileKeepsThePreviousList) {
    install({});
    store_->finish_lookup();
    store_->finish_compile();
    const auto first = slot_->kept();
    ASSERT_TRUE(first);
    install({"news.example"});
    store_->finish_lookup();
    store_->finish_compile(false);
    EXPECT_EQ(answers_, (std::vector<bool>{true, false}));
    EXPECT_EQ(slot_->kept(), first);
}

TEST_F(InstallRuleList, MissingStoreOrDroppedSlotReportFailure) {
    install_rule_list(nullptr, slot_, {}, [this](bool ok) { answers_.push_back(ok); });
    EXPECT_EQ(answers_, std::vector<bool>{false});
    install({});
    slot_.reset();
    store_->finish_lookup();
    store_->finish_compile();
    EXPECT_EQ(answers_, (std::vector<bool>{false, false}));
}

TEST(ApplyShield, OffRemovesEveryListAndOnAttachesTheKeptOneOnce) {
    test::FakePlatform platform;
    const auto window = platform.create_window({});
    const auto view = platform.create_web_view(*window, {});
    auto& fake = static_cast<test::FakeWebView&>(*view);
    ShieldRuleSlot slot;
    apply_shield(*view, true, slot);
    EXPECT_TRUE(fake.filters.empty()) << "nothing kept yet";
    const auto kept = std::make_shared<FakeContentFilter>("corvane-shield-1", "[]");
    slot.keep(kept);
    view->add_content_filter(std::make_shared<FakeContentFilter>("someone-else", "[]"));
    apply_shield(*view, true, slot);
    apply_shield(*view, true, slot);
    ASSERT_EQ(fake.filters.size(), 1u);
    EXPECT_EQ(fake.filters[0], kept);
    apply_shield(*view, false, slot);
    EXPECT_TRUE(fake.filters.empty());
}

} // namespace
} // namespace corvane
