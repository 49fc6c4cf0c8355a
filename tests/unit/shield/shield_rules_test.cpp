#include "fake/fake_platform.h"
#include "shield/rule_list.h"
#include "shield/shield_rules.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Allowlist = std::vector<std::string>;

// Comments, surrounding blanks, a carriage return, paths of one and two segments, selectors
// with blanks and quotes, and a last line without a line feed.
constexpr std::string_view kSmallList = "# a comment\n"
                                        "\n"
                                        "  example.com  \r\n"
                                        "##.ad\n"
                                        "ads.example.org/pix/a.gif\n"
                                        "##  [id^=\"x\"]  \n"
                                        "   # indented comment\n"
                                        "cdn.test/a/b";

TEST(ShieldRulesJson, SmallListWithOrWithoutAllowlistOrSelectorsIsExact) {
    const Allowlist allowlist{"Foo.example", "bad host", "ok-site.net", "under_score.com"};
    const std::string expected =
        R"([{"action":{"type":"block"},"trigger":{"load-type":["third-party"],)"
        R"("url-filter":"^[^:]+://+([^:/]+\\.)?example\\.com[:/]"}},)"
        R"({"action":{"type":"block"},"trigger":{"load-type":["third-party"],)"
        R"("url-filter":"^[^:]+://+([^:/]+\\.)?ads\\.example\\.org/pix\\/a\\.gif"}},)"
        R"({"action":{"type":"block"},"trigger":{"load-type":["third-party"],)"
        R"("url-filter":"^[^:]+://+([^:/]+\\.)?cdn\\.test/a\\/b"}},)"
        R"({"action":{"selector":".ad, [id^=\"x\"]","type":"css-display-none"},)"
        R"("trigger":{"url-filter":".*"}},)"
        R"({"action":{"type":"ignore-previous-rules"},)"
        R"("trigger":{"if-domain":["*Foo.example","*ok-site.net"],"url-filter":".*"}}])";
    EXPECT_EQ(shield_rules_json_for(kSmallList, allowlist), expected);
    // No allowlist entry left means no ignore rule, and no selector no hiding rule.
    const Allowlist rejected{"", "with space.com", "münchen.de", std::string(256, 'a')};
    EXPECT_EQ(shield_rules_json_for(kSmallList, rejected),
              expected.substr(0, expected.rfind(",{")) + "]");
    EXPECT_EQ(shield_rules_json_for("a.example\n", {}),
              R"([{"action":{"type":"block"},"trigger":{"load-type":["third-party"],)"
              R"("url-filter":"^[^:]+://+([^:/]+\\.)?a\\.example[:/]"}}])");
    EXPECT_EQ(shield_rules_json_for("# only comments\n\n", {}), "[]");
}

TEST(ShieldRules, HashEscapesAllowlistAndCounts) {
    EXPECT_EQ(fnv1a_64("foobar"), 0x85944171f73967e8ULL);
    // Bytes above 0x7f are hashed as unsigned values.
    EXPECT_EQ(fnv1a_64("\xff"), (0xcbf29ce484222325ULL ^ 0xffULL) * 0x100000001b3ULL);
    EXPECT_EQ(shield_rule_identifier(""), "corvane-shield-cbf29ce484222325");
    EXPECT_EQ(shield_rule_identifier("a"), "corvane-shield-af63dc4c8601ec8c");
    EXPECT_EQ(escape_regex("plain-text_123ü#%&=~"), "plain-text_123ü#%&=~");
    EXPECT_EQ(escape_regex(".*+?^$()[]{}|\\/"), "\\.\\*\\+\\?\\^\\$\\(\\)\\[\\]\\{\\}\\|\\\\\\/");
    // Valid entries are kept in order with their case.
    const Allowlist allowlist{
        "b.example",           "Zz9.Example",         "x y", "a_b.com", "ü.de",
        std::string(255, 'a'), std::string(256, 'b'), "",    "-.-"};
    EXPECT_EQ(domain_rule_list(allowlist),
              (Allowlist{"*b.example", "*Zz9.Example", "*" + std::string(255, 'a'), "*-.-"}));
    EXPECT_EQ(count_blocklist_rules(kSmallList), 5u);
    EXPECT_EQ(count_blocklist_rules("#\n##\n ## x\n\t\n"), 2u);
}

// Installing walks look-up, compile and keep, answering once the list is kept or failed.
TEST(InstallRuleList, CompilesOnceFindsTheListAgainAndKeepsItWhenACompileFails) {
    auto store = std::make_shared<test::FakeContentFilterStore>("store");
    auto slot = std::make_shared<ShieldRuleSlot>();
    std::vector<bool> answers;
    const auto install = [&](const Allowlist& allowlist) {
        install_rule_list(store, slot, allowlist, [&](bool ok) { answers.push_back(ok); });
    };
    const Allowlist allowlist{"example.com"};
    const auto json = shield_rules_json(allowlist);
    install(allowlist);
    ASSERT_TRUE(store->finish_lookup());
    EXPECT_TRUE(answers.empty()) << "the answer comes after the compile";
    ASSERT_EQ(store->compiles.size(), 1u);
    EXPECT_EQ(std::get<0>(store->compiles[0]), shield_rule_identifier(json));
    EXPECT_EQ(std::get<1>(store->compiles[0]), json);
    ASSERT_TRUE(store->finish_compile());
    const auto first = slot->kept();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->identifier(), shield_rule_identifier(json));
    // The same allowlist again only looks up.
    slot = std::make_shared<ShieldRuleSlot>();
    install(allowlist);
    ASSERT_TRUE(store->finish_lookup());
    EXPECT_EQ(store->compile_calls, 1);
    EXPECT_EQ(slot->kept(), first);
    install({"news.example"});
    store->finish_lookup();
    store->finish_compile(false);
    EXPECT_EQ(slot->kept(), first);
    // A slot dropped meanwhile reports failure (a missing store: the engine's wiring test).
    install({});
    slot.reset();
    store->finish_lookup();
    store->finish_compile();
    EXPECT_EQ(answers, (std::vector<bool>{true, true, false, false}));
}

// On attaches the kept list once, whatever else the view had (taking it off: the engine's test).
TEST(ApplyShield, OnAttachesTheKeptListOnceAndNothingBeforeOneIsKept) {
    test::FakePlatform platform;
    const auto window = platform.create_window({});
    const auto view = platform.create_web_view(*window, {});
    auto& fake = static_cast<test::FakeWebView&>(*view);
    ShieldRuleSlot slot;
    apply_shield(*view, true, slot);
    EXPECT_TRUE(fake.filters.empty());
    const auto kept = std::make_shared<test::FakeContentFilter>("corvane-shield-1", "[]");
    slot.keep(kept);
    view->add_content_filter(std::make_shared<test::FakeContentFilter>("someone-else", "[]"));
    apply_shield(*view, true, slot);
    apply_shield(*view, true, slot);
    EXPECT_EQ(fake.filters, (std::vector<std::shared_ptr<platform::ContentFilter>>{kept}));
}

} // namespace
} // namespace corvane
