#include "shield/blocklist.h"
#include "shield/shield_rules.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
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

// Every line of the built-in list is a comment, a selector or a host with an optional path, each
// given once; each host becomes a block rule and the selectors one hiding rule.
TEST(BuiltinBlocklist, EveryLineIsWellFormedAndCompiled) {
    std::string_view text = builtin_blocklist();
    ASSERT_TRUE(text.ends_with('\n'));
    std::set<std::string_view> seen;
    std::size_t hosts = 0;
    for (auto end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        const auto line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (line.empty() || line.starts_with("# ")) {
            continue;
        }
        EXPECT_TRUE(seen.insert(line).second) << "twice: " << line;
        const bool host = line.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-/_") ==
                              std::string_view::npos &&
                          line.find('.') < line.find('/');
        hosts += host ? 1 : 0;
        EXPECT_TRUE(host || (line.starts_with("##") && line.size() > 2)) << line;
    }
    EXPECT_EQ(shield_rule_count(), seen.size());
    EXPECT_EQ(nlohmann::json::parse(shield_rules_json({})).size(), hosts + 1);
}

TEST(ShieldRuleIdentifier, FnvOneAOfTheJsonInSixteenHexDigits) {
    EXPECT_EQ(fnv1a_64("a"), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(fnv1a_64("foobar"), 0x85944171f73967e8ULL);
    // Bytes above 0x7f are hashed as unsigned values.
    EXPECT_EQ(fnv1a_64("\xff"), (0xcbf29ce484222325ULL ^ 0xffULL) * 0x100000001b3ULL);
    EXPECT_EQ(shield_rule_identifier(""), "corvane-shield-cbf29ce484222325");
    EXPECT_EQ(shield_rule_identifier("a"), "corvane-shield-af63dc4c8601ec8c");
}

TEST(EscapeRegex, EscapesExactlyTheFifteenSpecials) {
    EXPECT_EQ(escape_regex("plain-text_123ü#%&=~"), "plain-text_123ü#%&=~");
    EXPECT_EQ(escape_regex(".*+?^$()[]{}|\\/"), "\\.\\*\\+\\?\\^\\$\\(\\)\\[\\]\\{\\}\\|\\\\\\/");
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
}

} // namespace
} // namespace corvane
