// Typed text to URL or search: the refusals, the schemes opened as typed, the host-likeness
// rules and the engines.

#include "address/address_input.h"
#include "address/search_engines.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Kind = ResolvedInput::Kind;

constexpr std::string_view ddg = "https://duckduckgo.com/?q={q}";

struct ResolveCase {
    std::string input;
    Kind kind;
    std::string text;
};

void expect_resolves(const std::vector<ResolveCase>& cases) {
    for (const ResolveCase& c : cases) {
        ResolvedInput r = resolve_input(c.input, ddg);
        EXPECT_EQ(r.kind, c.kind) << c.input << " gave " << r.text;
        EXPECT_EQ(r.text, c.text) << c.input;
    }
}

std::string search_for(std::string_view encoded) {
    return "https://duckduckgo.com/?q=" + std::string(encoded);
}

TEST(ResolveInput, RefusesEmptyOversizedAndScriptText) {
    std::string limit(kMaxTypedBytes, 'a');
    expect_resolves({
        {"", Kind::Blocked, "empty"},
        {"   ", Kind::Blocked, "empty"},
        {"\u3000\t\u00a0\n", Kind::Blocked, "empty"},
        {limit, Kind::Search, search_for(limit)},
        {" " + limit + "\u2003", Kind::Search, search_for(limit)},
        {limit + "a", Kind::Blocked, "too long"},
        {"  JavaScript:alert(1)", Kind::Blocked, "blocked scheme"},
        {"DATA:text/html,x", Kind::Blocked, "blocked scheme"},
        {"vbscript:x", Kind::Blocked, "blocked scheme"},
        {"data", Kind::Search, search_for("data")},
        {"javascript", Kind::Search, search_for("javascript")},
        // A tab inside the scheme hides it from the prefix test, so the URL parser's tab
        // removal must not let it through.
        {"java\tscript:alert(1)", Kind::Search, search_for("java%09script%3Aalert%281%29")},
    });
}

TEST(ResolveInput, TypedUrlsOpenAsTypedAndHttpIsUpgraded) {
    expect_resolves({
        {"http://example.com", Kind::Url, "https://example.com/"},
        {"HTTP://EXAMPLE.COM:443/a", Kind::Url, "https://example.com/a"},
        {"http://localhost:3000", Kind::Url, "http://localhost:3000/"},
        {"http://192.168.1.5/", Kind::Url, "http://192.168.1.5/"},
        {"http://[::1]/", Kind::Url, "http://[::1]/"},
        {"http://printer.local/", Kind::Url, "http://printer.local/"},
        {"https://bücher.de/x", Kind::Url, "https://xn--bcher-kva.de/x"},
        {"about:blank", Kind::Url, "about:blank"},
        {"file:///tmp/x", Kind::Url, "file:///tmp/x"},
        {"corvane://newtab/", Kind::Url, "corvane://newtab/"},
        {"ftp://example.org", Kind::Search, search_for("ftp%3A%2F%2Fexample.org")},
        {"mailto:someone", Kind::Search, search_for("mailto%3Asomeone")},
        {"mailto:someone@example.com", Kind::Search, search_for("mailto%3Asomeone%40example.com")},
        {"someone@example.com", Kind::Search, search_for("someone%40example.com")},
        {"http://exa mple.com", Kind::Search, search_for("http%3A%2F%2Fexa+mple.com")},
    });
}

TEST(ResolveInput, HostsBecomeUrls) {
    expect_resolves({
        {"example.com", Kind::Url, "https://example.com/"},
        {"\u00a0example.com/a?b#c\u2003", Kind::Url, "https://example.com/a?b#c"},
        {"example.com:8080/x", Kind::Url, "https://example.com:8080/x"},
        {"localhost", Kind::Url, "http://localhost/"},
        {"localhost:8080/x", Kind::Url, "http://localhost:8080/x"},
        {"app.localhost", Kind::Url, "http://app.localhost/"},
        {"127.0.0.1", Kind::Url, "http://127.0.0.1/"},
        {"10.0.0.1", Kind::Url, "https://10.0.0.1/"},
        {"[::1]:8080", Kind::Url, "http://[::1]:8080/"},
        {"[2001:db8::1]:8080/x", Kind::Url, "https://[2001:db8::1]:8080/x"},
        {"xn--p1ai.xn--p1ai", Kind::Url, "https://xn--p1ai.xn--p1ai/"},
        {"bücher.de", Kind::Url, "https://xn--bcher-kva.de/"},
        {"пример.рф", Kind::Url, "https://xn--e1afmkfd.xn--p1ai/"},
    });
}

TEST(ResolveInput, EverythingElseIsASearchOfTheTrimmedText) {
    expect_resolves({
        {"::1", Kind::Search, search_for("%3A%3A1")},
        {"example.c0m", Kind::Search, search_for("example.c0m")},
        {"a.b", Kind::Search, search_for("a.b")},
        {".com", Kind::Search, search_for(".com")},
        {"hello example.com", Kind::Search, search_for("hello+example.com")},
        {"what time is it?", Kind::Search, search_for("what+time+is+it%3F")},
        {"  a b&c ", Kind::Search, search_for("a+b%26c")},
        {"Straße", Kind::Search, search_for("Stra%C3%9Fe")},
        {"exa_mple.com!", Kind::Search, search_for("exa_mple.com%21")},
    });
}

struct TextCase {
    const char* text;
    bool expected;
};

TEST(LooksLikeHost, ReadsHostPortAndPath) {
    const TextCase cases[] = {
        {"example.com", true},
        {"example.com/path", true},
        {"/path", false},
        {"?q", false},
        {"#x", false},
        {"localhost", true},
        {"localhost:3000", true},
        {"a.localhost", true},
        {"127.0.0.1", true},
        {"10.0.0.1", true},
        {"1.2.3.4:80/x", true},
        {"256.0.0.1", false},
        {"01.2.3.4", false},
        {"::1", false},
        {"2001:db8::a", true},
        {"[::1]", true},
        {"[2001:db8::1]", true},
        {"[2001:db8::1]:443", true},
        {"[example.com]", false},
        {"example.c0m", false},
        {"xn--p1ai", false},
        {"a.xn--p1ai", true},
        {"a.xn--", true},
        {"a.xn-", false},
        {"a.b", false},
        {".com", false},
        {"example.", false},
        {"example.com.", false},
        {"例え.テスト", true},
        {"example.123", false},
        {"example.com:abc", false},
        {"example.com:", true},
        {"user@example.com", false},
        {"mailto:user@example.com", false},
        {"example.com/@user", true},
        {"", false},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(looks_like_host(c.text), c.expected) << c.text;
    }
}

TEST(IsLocalHost, KnowsOnlyThisMachinesNames) {
    const TextCase cases[] = {
        {"localhost", true},      {"localhost:8080", true},
        {"localhost/x", true},    {"localhost?q", true},
        {"127.0.0.1:3000", true}, {"a.localhost", true},
        {"[::1]", true},          {"[::1]:80", true},
        {"[::1]/x", true},        {"[::1]#f", true},
        {"[::1]x", false},        {"::1", false},
        {"LOCALHOST", false},     {"localhost.com", false},
        {"localhostx", false},    {"127.0.0.2", false},
        {"192.168.0.1", false},   {"my.local", false},
        {".localhost", true},     {"", false},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(is_local_host(c.text), c.expected) << c.text;
    }
}

TEST(SearchEngines, TableAndTemplates) {
    ASSERT_EQ(SEARCH_ENGINES.size(), 7U);
    const char* order[] = {"duckduckgo", "google", "bing", "brave", "startpage", "ecosia", "kagi"};
    for (std::size_t i = 0; i < SEARCH_ENGINES.size(); ++i) {
        const SearchEngine& engine = SEARCH_ENGINES[i];
        EXPECT_EQ(engine.id, order[i]);
        EXPECT_TRUE(engine.url_template.starts_with("https://")) << engine.id;
        EXPECT_EQ(engine.url_template.find("{q}"), engine.url_template.size() - 3) << engine.id;
        EXPECT_EQ(search_engine_url(engine.id), engine.url_template);
    }
    EXPECT_EQ(search_engine_for("kagi").name, "Kagi");
    EXPECT_EQ(search_engine_url("startpage"), "https://www.startpage.com/do/search?q={q}");
    for (const char* unknown : {"", "Google", "duck", "bing "}) {
        EXPECT_EQ(search_engine_url(unknown), ddg) << unknown;
        EXPECT_EQ(search_engine_for(unknown).name, "DuckDuckGo") << unknown;
    }
}

TEST(SearchEngines, SearchUrlReplacesEveryPlaceholder) {
    EXPECT_EQ(search_url(ddg, "a b&c"), "https://duckduckgo.com/?q=a+b%26c");
    EXPECT_EQ(search_url("x{q}y{q}", "1+1"), "x1%2B1y1%2B1");
    EXPECT_EQ(search_url("{{q}}", "é"), "{%C3%A9}");
    EXPECT_EQ(search_url("https://e.example/", "q"), "https://e.example/");
    EXPECT_EQ(search_url("{q", "q"), "{q");
    EXPECT_EQ(search_url("{q}", ""), "");
}

TEST(ResolveWithEngine, UsesTheSettingsEngine) {
    Settings settings;
    settings.search_engine = "google";
    EXPECT_EQ(resolve_with_engine(settings, "a b"),
              (std::vector<SessionTab>{{"https://www.google.com/search?q=a+b", ""}}));
    EXPECT_EQ(resolve_with_engine(settings, "example.com"),
              (std::vector<SessionTab>{{"https://example.com/", ""}}));
    EXPECT_TRUE(resolve_with_engine(settings, " ").empty());
    EXPECT_TRUE(resolve_with_engine(settings, "javascript:x").empty());
    settings.search_engine = "nonsense";
    EXPECT_EQ(resolve_with_engine(settings, "q"),
              (std::vector<SessionTab>{{"https://duckduckgo.com/?q=q", ""}}));
}

} // namespace
} // namespace corvane
