#include "shield/shield_rules.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

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

TEST(ShieldRulesJson, SmallListWithAllowlistIsExact) {
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
}

TEST(ShieldRulesJson, NoSurvivingAllowlistEntryMeansNoIgnoreRule) {
    const Allowlist rejected{"", "with space.com", "münchen.de", std::string(256, 'a')};
    const auto text = shield_rules_json_for(kSmallList, rejected);
    EXPECT_EQ(text, shield_rules_json_for(kSmallList, {}));
    EXPECT_EQ(text.find("ignore-previous-rules"), std::string::npos);
}

TEST(ShieldRulesJson, ListWithoutSelectorsHasNoHidingRule) {
    EXPECT_EQ(shield_rules_json_for("a.example\n", {}),
              R"([{"action":{"type":"block"},"trigger":{"load-type":["third-party"],)"
              R"("url-filter":"^[^:]+://+([^:/]+\\.)?a\\.example[:/]"}}])");
    EXPECT_EQ(shield_rules_json_for("# only comments\n\n", {}), "[]");
}

TEST(ShieldRulesJson, BuiltInListHas172RulesPlusOneForAnAllowlist) {
    const auto count_rules = [](const std::string& text) {
        std::size_t rules = 0;
        for (std::size_t at = text.find("\"action\""); at != std::string::npos;
             at = text.find("\"action\"", at + 1)) {
            ++rules;
        }
        return rules;
    };
    const auto plain = shield_rules_json({});
    EXPECT_EQ(count_rules(plain), 172u);
    EXPECT_EQ(count_rules(shield_rules_json(Allowlist{"example.com"})), 173u);
    // Compact: the only blanks are the separators of the joined selector list.
    std::string outside_selector = plain;
    const auto selector = outside_selector.find("\"selector\"");
    outside_selector.erase(selector, outside_selector.find("\"type\"", selector) - selector);
    EXPECT_EQ(outside_selector.find_first_of(" \n\t\r"), std::string::npos);
    EXPECT_NE(
        plain.find(R"("selector":"ins.adsbygoogle, .adsbygoogle, [id^=\"google_ads_iframe\"],)"),
        std::string::npos);
    EXPECT_EQ(shield_rule_count(), 181u);
}

TEST(ShieldRuleIdentifier, StableAndChangedByOneHost) {
    const Allowlist one{"example.com"};
    const Allowlist two{"example.com", "news.example"};
    const auto first = shield_rule_identifier(shield_rules_json(one));
    EXPECT_EQ(first, shield_rule_identifier(shield_rules_json(Allowlist{"example.com"})));
    EXPECT_NE(first, shield_rule_identifier(shield_rules_json(two)));
    EXPECT_NE(first, shield_rule_identifier(shield_rules_json({})));
    ASSERT_EQ(first.size(), 31u);
    EXPECT_TRUE(first.starts_with("corvane-shield-"));
    EXPECT_EQ(first.find_first_not_of("0123456789abcdef", 15), std::string::npos);
}

TEST(ShieldRuleIdentifier, FnvOneAVectorsAndZeroPadding) {
    EXPECT_EQ(fnv1a_64(""), 0xcbf29ce484222325ULL);
    EXPECT_EQ(fnv1a_64("a"), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(fnv1a_64("foobar"), 0x85944171f73967e8ULL);
    // Bytes above 0x7f are hashed as unsigned values.
    EXPECT_EQ(fnv1a_64("\xff"), (0xcbf29ce484222325ULL ^ 0xffULL) * 0x100000001b3ULL);
    EXPECT_EQ(shield_rule_identifier(""), "corvane-shield-cbf29ce484222325");
}

TEST(EscapeRegex, EscapesExactlyTheFifteenSpecials) {
    EXPECT_EQ(escape_regex("plain-text_123"), "plain-text_123");
    EXPECT_EQ(escape_regex("example.com"), "example\\.com");
    EXPECT_EQ(escape_regex(".*+?^$()[]{}|\\/"), "\\.\\*\\+\\?\\^\\$\\(\\)\\[\\]\\{\\}\\|\\\\\\/");
    EXPECT_EQ(escape_regex("ü-#%&=~"), "ü-#%&=~");
    EXPECT_EQ(escape_regex(""), "");
}

TEST(DomainRuleList, KeepsValidEntriesInOrderWithTheirCase) {
    const Allowlist allowlist{
        "b.example",           "A.Example",           "x y", "a_b.com", "ü.de",
        std::string(255, 'a'), std::string(256, 'b'), "",    "-.-"};
    EXPECT_EQ(domain_rule_list(allowlist),
              (std::vector<std::string>{"*b.example", "*A.Example", "*" + std::string(255, 'a'),
                                        "*-.-"}));
}

TEST(BlocklistRuleCount, CountsHostsAndSelectorsOnly) {
    EXPECT_EQ(count_blocklist_rules(kSmallList), 5u);
    EXPECT_EQ(count_blocklist_rules("#\n##\n ## x\n\t\n"), 2u);
    EXPECT_EQ(count_blocklist_rules(""), 0u);
}

} // namespace
} // namespace corvane
