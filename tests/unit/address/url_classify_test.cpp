// Local hosts, security states, shown hosts and accepted favicons.

#include "address/url_classify.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(IsLocalUrl, ByHostKind) {
    for (const auto* local :
         {"http://localhost/", "http://app.localhost/", "http://printer.local/",
          "http://10.255.0.1/", "http://127.8.9.10/", "http://169.254.3.4/", "http://172.16.0.1/",
          "http://172.31.255.255/", "http://192.168.1.5/", "http://0x7f000001/", "http://[::1]/"}) {
        EXPECT_TRUE(is_local_url(*Url::parse(local))) << local;
    }
    for (const auto* other :
         {"http://localhost.example/", "http://mylocal/", "http://169.255.0.1/",
          "http://172.32.0.1/", "http://192.169.0.1/", "http://8.8.8.8/", "http://[::2]/",
          "http://[::ffff:127.0.0.1]/", "file:///tmp", "about:blank"}) {
        EXPECT_FALSE(is_local_url(*Url::parse(other))) << other;
    }
}

TEST(UpgradeToHttps, LeavesLocalHostsAlone) {
    for (const auto& [from, to] : std::vector<std::pair<const char*, const char*>>{
             {"http://example.com:443/a", "https://example.com/a"},
             {"http://example.com:8080/", "https://example.com:8080/"},
             {"http://localhost:3000/", "http://localhost:3000/"},
             {"http://192.168.0.1/", "http://192.168.0.1/"},
             // The scheme setter refuses a special-to-non-special change.
             {"foo://example.com/", "foo://example.com/"}}) {
        EXPECT_EQ(upgrade_to_https(*Url::parse(from)).href(), to);
    }
}

TEST(SecurityStateOfUrls, BySchemeAndHost) {
    const std::vector<std::pair<const char*, std::vector<const char*>>> states{
        {"secure", {"https://localhost/", "HTTPS://EXAMPLE.COM"}},
        {"local", {"http://x.local/", "http://127.0.0.1:8000/", "file:///tmp/x"}},
        {"insecure", {"http://example.com", "http://172.32.0.1/"}},
        {"internal", {"corvane://ui/index.html"}},
        {"none", {"about:blank", "data:text/plain,x", "blob:https://a.example/x", "not a url", ""}},
    };
    for (const auto& [name, urls] : states) {
        for (const auto* url : urls) {
            EXPECT_EQ(security_state_name(security_state(url)), name) << url;
        }
    }
}

TEST(DisplayHost, StripsEveryLeadingWww) {
    for (const auto& [url, host] : std::vector<std::pair<const char*, const char*>>{
             {"https://www.www.example.com/a", "example.com"},
             {"https://WWW.Example.com", "example.com"},
             {"https://wwwx.com/", "wwwx.com"},
             {"http://[::1]:8080/", "[::1]"},
             {"https://bücher.de/", "xn--bcher-kva.de"},
             {"file:///tmp/x", ""},
             {"not a url", ""}}) {
        EXPECT_EQ(display_host(url), host) << url;
    }
}

TEST(FaviconUrlOk, AcceptsHttpsAndNonSvgDataImages) {
    EXPECT_EQ(favicon_url_ok("  https://Example.com/icon.png \n"), "https://example.com/icon.png");
    EXPECT_EQ(favicon_url_ok("data:image/png;base64,AAAA"), "data:image/png;base64,AAAA");
    const std::string at_limit = "data:image/png;base64," + std::string(8192 - 22, 'A');
    EXPECT_EQ(favicon_url_ok(at_limit), at_limit);
    for (const auto& refused :
         {std::string("http://example.com/favicon.ico"), std::string("data:image/svg+xml,<svg/>"),
          std::string("DATA:image/png;base64,AAAA"), std::string("data:text/html,x"),
          std::string("ftp://example.com/i.ico"), std::string("https://exa mple.com/i.ico"),
          std::string(""), at_limit + "A"}) {
        EXPECT_EQ(favicon_url_ok(refused), std::nullopt) << refused.substr(0, 40);
    }
}

} // namespace
} // namespace corvane
