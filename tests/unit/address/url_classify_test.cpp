// Local hosts, security states, shown hosts and accepted favicons.

#include "address/url_classify.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

struct LocalCase {
    const char* url;
    bool local;
};

TEST(IsLocalUrl, ByHostKind) {
    const LocalCase cases[] = {
        {"http://localhost/", true},
        {"http://app.localhost/", true},
        {"http://printer.local/", true},
        {"http://localhost.example/", false},
        {"http://mylocal/", false},
        {"http://10.255.0.1/", true},
        {"http://127.8.9.10/", true},
        {"http://169.254.3.4/", true},
        {"http://169.255.0.1/", false},
        {"http://172.16.0.1/", true},
        {"http://172.31.255.255/", true},
        {"http://172.32.0.1/", false},
        {"http://192.168.1.5/", true},
        {"http://192.169.0.1/", false},
        {"http://8.8.8.8/", false},
        {"http://0x7f000001/", true},
        {"http://[::1]/", true},
        {"http://[::2]/", false},
        {"http://[::ffff:127.0.0.1]/", false},
        {"file:///tmp", false},
        {"about:blank", false},
    };
    for (const LocalCase& c : cases) {
        EXPECT_EQ(is_local_url(*Url::parse(c.url)), c.local) << c.url;
    }
}

TEST(UpgradeToHttps, LeavesLocalHostsAlone) {
    EXPECT_EQ(upgrade_to_https(*Url::parse("http://example.com/a")).href(),
              "https://example.com/a");
    EXPECT_EQ(upgrade_to_https(*Url::parse("http://example.com:443/")).href(),
              "https://example.com/");
    EXPECT_EQ(upgrade_to_https(*Url::parse("http://example.com:8080/")).href(),
              "https://example.com:8080/");
    EXPECT_EQ(upgrade_to_https(*Url::parse("http://localhost:3000/")).href(),
              "http://localhost:3000/");
    EXPECT_EQ(upgrade_to_https(*Url::parse("http://192.168.0.1/")).href(), "http://192.168.0.1/");
    // The scheme setter refuses a special-to-non-special change; the URL stays as it was.
    EXPECT_EQ(upgrade_to_https(*Url::parse("foo://example.com/")).href(), "foo://example.com/");
}

struct StateCase {
    const char* url;
    SecurityState state;
    const char* name;
};

TEST(SecurityStateOfUrls, BySchemeAndHost) {
    const StateCase cases[] = {
        {"https://localhost/", SecurityState::Secure, "secure"},
        {"HTTPS://EXAMPLE.COM", SecurityState::Secure, "secure"},
        {"http://x.local/", SecurityState::Local, "local"},
        {"http://127.0.0.1:8000/", SecurityState::Local, "local"},
        {"http://example.com", SecurityState::Insecure, "insecure"},
        {"http://172.32.0.1/", SecurityState::Insecure, "insecure"},
        {"file:///tmp/x", SecurityState::Local, "local"},
        {"corvane://ui/index.html", SecurityState::Internal, "internal"},
        {"about:blank", SecurityState::None, "none"},
        {"data:text/plain,x", SecurityState::None, "none"},
        {"blob:https://a.example/x", SecurityState::None, "none"},
        {"not a url", SecurityState::None, "none"},
        {"", SecurityState::None, "none"},
    };
    for (const StateCase& c : cases) {
        EXPECT_EQ(security_state(c.url), c.state) << c.url;
        EXPECT_EQ(security_state_name(security_state(c.url)), c.name) << c.url;
    }
}

struct TextCase {
    const char* input;
    const char* expected;
};

TEST(DisplayHost, StripsEveryLeadingWww) {
    const TextCase cases[] = {
        {"https://www.www.example.com/a", "example.com"},
        {"https://WWW.Example.com", "example.com"},
        {"https://wwwx.com/", "wwwx.com"},
        {"https://www.com/", "com"},
        {"http://[::1]:8080/", "[::1]"},
        {"https://bücher.de/", "xn--bcher-kva.de"},
        {"about:blank", ""},
        {"file:///tmp/x", ""},
        {"not a url", ""},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(display_host(c.input), c.expected) << c.input;
    }
}

TEST(FaviconUrlOk, AcceptsHttpsAndNonSvgDataImages) {
    EXPECT_EQ(favicon_url_ok("http://example.com/favicon.ico"), std::nullopt);
    EXPECT_EQ(favicon_url_ok("  https://Example.com/icon.png \n"), "https://example.com/icon.png");
    EXPECT_EQ(favicon_url_ok("data:image/png;base64,AAAA"), "data:image/png;base64,AAAA");
    EXPECT_EQ(favicon_url_ok("data:image/svg+xml,<svg/>"), std::nullopt);
    EXPECT_EQ(favicon_url_ok("DATA:image/png;base64,AAAA"), std::nullopt);
    EXPECT_EQ(favicon_url_ok("data:text/html,x"), std::nullopt);
    EXPECT_EQ(favicon_url_ok("ftp://example.com/i.ico"), std::nullopt);
    EXPECT_EQ(favicon_url_ok("https://exa mple.com/i.ico"), std::nullopt);
    EXPECT_EQ(favicon_url_ok(""), std::nullopt);
    std::string at_limit = "data:image/png;base64," + std::string(8192 - 22, 'A');
    EXPECT_EQ(favicon_url_ok(at_limit), at_limit);
    EXPECT_EQ(favicon_url_ok(at_limit + "A"), std::nullopt);
}

} // namespace
} // namespace corvane
