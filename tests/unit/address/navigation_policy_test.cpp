// Which addresses tabs hand to other applications, refuse, or (for the chrome view) allow.

#include "address/navigation_policy.h"

#include <gtest/gtest.h>
#include <string>

namespace corvane {
namespace {

struct PolicyCase {
    std::string url;
    bool expected;
};

TEST(IsExternalScheme, SixSchemesInAnyCase) {
    const PolicyCase cases[] = {
        {"mailto:a@example.com", true},
        {"tel:+123", true},
        {"sms:123", true},
        {"maps:?q=x", true},
        {"facetime:x", true},
        {"FaceTime-Audio:123", true},
        {"tel", true},
        {"TEL", true},
        {"https://x.example", false},
        {"telnet:x", false},
        {"skype:x", false},
        {":tel", false},
        {"", false},
        {"mailto", true},
    };
    for (const PolicyCase& c : cases) {
        EXPECT_EQ(is_external_scheme(c.url), c.expected) << c.url;
    }
}

TEST(IsBlockedUrl, AllowsWebSchemesAndTheNewTabPage) {
    std::string https_limit = "https://a.example/" + std::string(32768 - 18, 'a');
    const PolicyCase cases[] = {
        {"HTTPS://example.com", false},
        {"http://x", false},
        {"about", false},
        {"about:blank", false},
        {"blob:https://a/b", false},
        {"data:text/html,x", false},
        {"file:///tmp", false},
        {"corvane://newtab/", false},
        {"CORVANE://NewTab/x", false},
        {"corvane://newtab", true},
        {"corvane://ui/index.html", true},
        {"corvane:", true},
        {"javascript:alert(1)", true},
        {"vbscript:x", true},
        {"ftp://example.org", true},
        {"", true},
        {":x", true},
        {https_limit, false},
        {https_limit + "a", true},
    };
    for (const PolicyCase& c : cases) {
        EXPECT_EQ(is_blocked_url(c.url), c.expected) << c.url.substr(0, 40);
    }
}

TEST(ChromeNavigationFilter, OnlyTheUiPagesByteForByte) {
    const PolicyCase cases[] = {
        {"corvane://ui/index.html", true},
        {"corvane://ui/", true},
        {"corvane://ui", false},
        {"Corvane://ui/index.html", false},
        {"corvane://UI/index.html", false},
        {"corvane://newtab/", false},
        {"https://example.com/", false},
        {"", false},
    };
    for (const PolicyCase& c : cases) {
        EXPECT_EQ(chrome_navigation_filter(c.url), c.expected) << c.url;
    }
}

} // namespace
} // namespace corvane
