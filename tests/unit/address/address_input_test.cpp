// Typed text to URL or search: the refusals, the schemes opened as typed, the host-likeness
// rules, the engines, and which addresses tabs hand elsewhere or refuse.

#include "address/address_input.h"
#include "address/navigation_policy.h"
#include "address/search_engines.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Kind = ResolvedInput::Kind;

constexpr std::string_view ddg = "https://duckduckgo.com/?q={q}";

std::string search_for(std::string_view encoded) {
    return "https://duckduckgo.com/?q=" + std::string(encoded);
}

TEST(ResolveInput, RefusalsUrlsHostsAndSearches) {
    const std::string limit(kMaxTypedBytes, 'a');
    const std::vector<std::tuple<std::string, Kind, std::string>> cases{
        {"\u3000\t\u00a0\n", Kind::Blocked, "empty"},
        {" " + limit + "\u2003", Kind::Search, search_for(limit)},
        {limit + "a", Kind::Blocked, "too long"},
        {"  JavaScript:alert(1)", Kind::Blocked, "blocked scheme"},
        {"DATA:text/html,x", Kind::Blocked, "blocked scheme"},
        {"vbscript:x", Kind::Blocked, "blocked scheme"},
        {"javascript", Kind::Search, search_for("javascript")},
        // A tab inside the scheme hides it from the prefix test; the URL parser's tab removal
        // must not let it through.
        {"java\tscript:alert(1)", Kind::Search, search_for("java%09script%3Aalert%281%29")},
        // Typed URLs open as typed, http upgraded unless local.
        {"HTTP://EXAMPLE.COM:443/a", Kind::Url, "https://example.com/a"},
        {"http://localhost:3000", Kind::Url, "http://localhost:3000/"},
        {"http://192.168.1.5/", Kind::Url, "http://192.168.1.5/"},
        {"https://bücher.de/x", Kind::Url, "https://xn--bcher-kva.de/x"},
        {"about:blank", Kind::Url, "about:blank"},
        {"file:///tmp/x", Kind::Url, "file:///tmp/x"},
        {"corvane://newtab/", Kind::Url, "corvane://newtab/"},
        {"ftp://example.org", Kind::Search, search_for("ftp%3A%2F%2Fexample.org")},
        {"mailto:someone@example.com", Kind::Search, search_for("mailto%3Asomeone%40example.com")},
        {"someone@example.com", Kind::Search, search_for("someone%40example.com")},
        {"http://exa mple.com", Kind::Search, search_for("http%3A%2F%2Fexa+mple.com")},
        // Bare hosts: local ones over http.
        {"\u00a0example.com/a?b#c\u2003", Kind::Url, "https://example.com/a?b#c"},
        {"example.com:8080/x", Kind::Url, "https://example.com:8080/x"},
        {"localhost:8080/x", Kind::Url, "http://localhost:8080/x"},
        {"app.localhost", Kind::Url, "http://app.localhost/"},
        {"127.0.0.1", Kind::Url, "http://127.0.0.1/"},
        {"10.0.0.1", Kind::Url, "https://10.0.0.1/"},
        {"[::1]:8080", Kind::Url, "http://[::1]:8080/"},
        {"[2001:db8::1]:8080/x", Kind::Url, "https://[2001:db8::1]:8080/x"},
        {"пример.рф", Kind::Url, "https://xn--e1afmkfd.xn--p1ai/"},
        // Everything else is a search of the trimmed text.
        {"::1", Kind::Search, search_for("%3A%3A1")},
        {"hello example.com", Kind::Search, search_for("hello+example.com")},
        {"  a b&c ", Kind::Search, search_for("a+b%26c")},
        {"Straße", Kind::Search, search_for("Stra%C3%9Fe")},
    };
    for (const auto& [input, kind, text] : cases) {
        const ResolvedInput r = resolve_input(input, ddg);
        EXPECT_EQ(r.kind, kind) << input << " gave " << r.text;
        EXPECT_EQ(r.text, text) << input;
    }
}

TEST(LooksLikeHost, ReadsHostPortAndPath) {
    for (const auto* host :
         {"example.com/path", "localhost:3000", "a.localhost", "1.2.3.4:80/x", "255.255.255.255",
          "2001:db8::a", "[::1]", "[2001:db8::1]:443", "a.xn--p1ai", "a.xn--", "例え.テスト",
          "example.com:", "example.com/@user", "example.io"}) {
        EXPECT_TRUE(looks_like_host(host)) << host;
    }
    for (const auto* text : {"/path",
                             "?q",
                             "#x",
                             "256.0.0.1",
                             "01.2.3.4",
                             "::1",
                             "[example.com]",
                             "[]",
                             "example.c0m",
                             "xn--p1ai",
                             "a.xn-",
                             "a.b",
                             ".com",
                             "example.",
                             "example.com.",
                             "example.123",
                             "example.com:abc",
                             "user@example.com",
                             "mailto:user@example.com",
                             ""}) {
        EXPECT_FALSE(looks_like_host(text)) << text;
    }
}

TEST(IsLocalHost, KnowsOnlyThisMachinesNames) {
    for (const auto* local :
         {"localhost", "localhost:8080", "localhost/x", "localhost?q", "127.0.0.1:3000",
          "a.localhost", ".localhost", "[::1]", "[::1]:80", "[::1]/x", "[::1]?q", "[::1]#f"}) {
        EXPECT_TRUE(is_local_host(local)) << local;
    }
    for (const auto* other : {"[::1]x", "::1", "LOCALHOST", "localhost.com", "localhostx",
                              "127.0.0.2", "192.168.0.1", "my.local", ""}) {
        EXPECT_FALSE(is_local_host(other)) << other;
    }
}

TEST(SearchEngines, TemplatesAndTheSettingsEngine) {
    for (const SearchEngine& engine : SEARCH_ENGINES) {
        EXPECT_TRUE(engine.url_template.starts_with("https://")) << engine.id;
        EXPECT_EQ(search_engine_url(engine.id), engine.url_template);
        EXPECT_EQ(search_engine_for(engine.id).name, engine.name);
    }
    for (const char* unknown : {"", "Google", "duck", "bing "}) {
        EXPECT_EQ(search_engine_url(unknown), ddg) << unknown;
        EXPECT_EQ(search_engine_for(unknown).name, "DuckDuckGo") << unknown;
    }
    EXPECT_EQ(search_url("x{q}y{q}", "1+1"), "x1%2B1y1%2B1");
    EXPECT_EQ(search_url("{{q}}", "é"), "{%C3%A9}");
    EXPECT_EQ(search_url("{q", "q"), "{q");
    Settings settings;
    settings.search_engine = "google";
    EXPECT_EQ(resolve_with_engine(settings, "a b"),
              (std::vector<SessionTab>{{"https://www.google.com/search?q=a+b", ""}}));
    EXPECT_TRUE(resolve_with_engine(settings, "javascript:x").empty());
}

TEST(NavigationPolicy, ExternalBlockedAndChromeAddresses) {
    for (const auto* external : {"mailto:a@example.com", "tel:+123", "sms:123", "maps:?q=x",
                                 "facetime:x", "FaceTime-Audio:123", "TEL", "mailto"}) {
        EXPECT_TRUE(is_external_scheme(external)) << external;
    }
    for (const auto* other : {"https://x.example", "telnet:x", "skype:x", ":tel", ""}) {
        EXPECT_FALSE(is_external_scheme(other)) << other;
    }
    const std::string https_limit = "https://a.example/" + std::string(32768 - 18, 'a');
    for (const auto& allowed :
         {std::string("HTTPS://example.com"), std::string("http://x"), std::string("about"),
          std::string("blob:https://a/b"), std::string("data:text/html,x"),
          std::string("file:///tmp"), std::string("CORVANE://NewTab/x"), https_limit}) {
        EXPECT_FALSE(is_blocked_url(allowed)) << allowed.substr(0, 40);
    }
    for (const auto& blocked :
         {std::string("corvane://newtab"), std::string("corvane://ui/index.html"),
          std::string("corvane:"), std::string("javascript:alert(1)"), std::string("vbscript:x"),
          std::string("ftp://example.org"), std::string(""), std::string(":x"),
          https_limit + "a"}) {
        EXPECT_TRUE(is_blocked_url(blocked)) << blocked.substr(0, 40);
    }
    EXPECT_TRUE(chrome_navigation_filter("corvane://ui/index.html"));
    EXPECT_TRUE(chrome_navigation_filter("corvane://ui/"));
    for (const auto* other : {"corvane://ui", "Corvane://ui/index.html", "corvane://UI/index.html",
                              "corvane://newtab/", "https://example.com/"}) {
        EXPECT_FALSE(chrome_navigation_filter(other)) << other;
    }
}

} // namespace
} // namespace corvane
