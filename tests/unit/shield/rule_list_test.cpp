#include "fake/fake_platform.h"
#include "fake/fake_web_view.h"
#include "shield/rule_list.h"
#include "shield/shield_rules.h"

#include <deque>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane {
namespace {

using platform::ContentFilter;
using platform::ContentFilterStore;

class FakeFilter : public ContentFilter {
public:
    explicit FakeFilter(std::string identifier) : identifier_(std::move(identifier)) {}
    const std::string& identifier() const override { return identifier_; }

private:
    std::string identifier_;
};

// Keeps compiled lists by identifier and answers later, when the test runs the queue, the way
// the engine answers on a later main-loop turn.
class FakeStore : public ContentFilterStore {
public:
    void lookup(const std::string& identifier, Completion done) override {
        lookups.push_back(identifier);
        auto found = lists.count(identifier) ? lists[identifier] : nullptr;
        pending_.push_back([done = std::move(done), found] { done(found); });
    }
    void compile(const std::string& identifier, const std::string& rules_json,
                 Completion done) override {
        compiles.push_back(identifier);
        compiled_json = rules_json;
        std::shared_ptr<ContentFilter> list;
        if (!fail_compiles) {
            list = std::make_shared<FakeFilter>(identifier);
            lists[identifier] = list;
        }
        pending_.push_back([done = std::move(done), list] { done(list); });
    }

    void run_pending() {
        while (!pending_.empty()) {
            auto next = std::move(pending_.front());
            pending_.pop_front();
            next();
        }
    }

    std::map<std::string, std::shared_ptr<ContentFilter>> lists;
    std::vector<std::string> lookups;
    std::vector<std::string> compiles;
    std::string compiled_json;
    bool fail_compiles = false;

private:
    std::deque<std::function<void()>> pending_;
};

struct Answers {
    std::vector<bool> seen;
    RuleListReady callback() {
        return [this](bool ok) {
            seen.push_back(ok);
        };
    }
};

TEST(InstallRuleList, CompilesOnceThenFindsTheListByIdentifier) {
    auto store = std::make_shared<FakeStore>();
    auto slot = std::make_shared<ShieldRuleSlot>();
    const std::vector<std::string> allowlist{"example.com"};
    const auto expected_json = shield_rules_json(allowlist);
    const auto expected_id = shield_rule_identifier(expected_json);
    Answers answers;

    install_rule_list(store, slot, allowlist, answers.callback());
    EXPECT_TRUE(answers.seen.empty()) << "the answer comes later";
    store->run_pending();
    EXPECT_EQ(store->lookups, std::vector<std::string>{expected_id});
    EXPECT_EQ(store->compiles, std::vector<std::string>{expected_id});
    EXPECT_EQ(store->compiled_json, expected_json);
    ASSERT_TRUE(slot->kept());
    EXPECT_EQ(slot->kept()->identifier(), expected_id);

    // A second start with the same allowlist only looks up.
    auto next_slot = std::make_shared<ShieldRuleSlot>();
    install_rule_list(store, next_slot, allowlist, answers.callback());
    store->run_pending();
    EXPECT_EQ(store->compiles.size(), 1u);
    EXPECT_EQ(next_slot->kept(), store->lists[expected_id]);
    EXPECT_EQ(answers.seen, (std::vector<bool>{true, true}));
}

TEST(InstallRuleList, FailedCompileKeepsThePreviousList) {
    auto store = std::make_shared<FakeStore>();
    auto slot = std::make_shared<ShieldRuleSlot>();
    Answers answers;
    install_rule_list(store, slot, {}, answers.callback());
    store->run_pending();
    const auto first = slot->kept();
    ASSERT_TRUE(first);

    store->fail_compiles = true;
    const std::vector<std::string> changed{"news.example"};
    install_rule_list(store, slot, changed, answers.callback());
    store->run_pending();
    EXPECT_EQ(answers.seen, (std::vector<bool>{true, false}));
    EXPECT_EQ(slot->kept(), first);
}

TEST(InstallRuleList, MissingStoreOrDroppedSlotReportFailure) {
    Answers answers;
    auto slot = std::make_shared<ShieldRuleSlot>();
    install_rule_list(nullptr, slot, {}, answers.callback());
    EXPECT_EQ(answers.seen, std::vector<bool>{false});

    // The slot goes away before the answer: nothing is kept, failure is reported.
    auto other_store = std::make_shared<FakeStore>();
    auto short_slot = std::make_shared<ShieldRuleSlot>();
    Answers late;
    install_rule_list(other_store, short_slot, {}, late.callback());
    short_slot.reset();
    other_store->run_pending();
    EXPECT_EQ(late.seen, std::vector<bool>{false});
}

class ApplyShield : public ::testing::Test {
protected:
    ApplyShield() {
        window_ = platform_.create_window({});
        view_ = platform_.create_web_view(*window_, {});
        fake_ = static_cast<test::FakeWebView*>(view_.get());
    }
    test::FakePlatform platform_;
    std::shared_ptr<platform::Window> window_;
    std::unique_ptr<platform::WebView> view_;
    test::FakeWebView* fake_ = nullptr;
};

TEST_F(ApplyShield, OffLeavesNoListEvenWhenOthersWereAdded) {
    ShieldRuleSlot slot;
    slot.keep(std::make_shared<FakeFilter>("corvane-shield-0000000000000001"));
    view_->add_content_filter(std::make_shared<FakeFilter>("someone-else"));
    apply_shield(*view_, false, slot);
    EXPECT_TRUE(fake_->filters.empty());
}

TEST_F(ApplyShield, OnAttachesTheKeptListOnlyOnce) {
    ShieldRuleSlot slot;
    apply_shield(*view_, true, slot);
    EXPECT_TRUE(fake_->filters.empty()) << "nothing kept yet";
    const auto kept = std::make_shared<FakeFilter>("corvane-shield-0000000000000002");
    slot.keep(kept);
    apply_shield(*view_, true, slot);
    apply_shield(*view_, true, slot);
    ASSERT_EQ(fake_->filters.size(), 1u);
    EXPECT_EQ(fake_->filters[0], kept);
}

} // namespace
} // namespace corvane
