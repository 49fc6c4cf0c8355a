// Typed text to URL or search, the host-likeness rules, the engines, which addresses tabs hand
// elsewhere or refuse, how URLs are classified and shown, and the Unicode rules beneath them.

#include "address/address_input.h"
#include "address/navigation_policy.h"
#include "address/search_engines.h"
#include "address/unicode_text.h"
#include "address/url_classify.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using Kind = ResolvedInput::Kind;
using Texts = std::initializer_list<std::string_view>;

constexpr std::string_view ddg = "https://duckduckgo.com/?q={q}";

std::string search_for(std::string_view encoded) {
    return "https://duckduckgo.com/?q=" + std::string(encoded);
}

// The predicate holds for every text of `yes` and for none of `no`.
template <typename Predicate>
void expect_split(Predicate predicate, Texts yes, Texts no) {
    for (const auto text : yes) {
        EXPECT_TRUE(predicate(text)) << text.substr(0, 40);
    }
    for (const auto text : no) {
        EXPECT_FALSE(predicate(text)) << text.substr(0, 40);
    }
}

bool local_url(std::string_view text) {
    return is_local_url(*Url::parse(text));
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
        {"about:blank", Kind::Url, "about:blank"},
        {"file:///tmp/x", Kind::Url, "file:///tmp/x"},
        {"corvane://newtab/", Kind::Url, "corvane://newtab/"},
        {"ftp://example.org", Kind::Search, search_for("ftp%3A%2F%2Fexample.org")},
        {"mailto:someone@example.com", Kind::Search, search_for("mailto%3Asomeone%40example.com")},
        {"someone@example.com", Kind::Search, search_for("someone%40example.com")},
        {"http://exa mple.com", Kind::Search, search_for("http%3A%2F%2Fexa+mple.com")},
        // Bare hosts: local ones over http.
        {"\u00a0example.com/a?b#c\u2003", Kind::Url, "https://example.com/a?b#c"},
        {"localhost:8080/x", Kind::Url, "http://localhost:8080/x"},
        {"app.localhost", Kind::Url, "http://app.localhost/"},
        {"127.0.0.1", Kind::Url, "http://127.0.0.1/"},
        {"[::1]:8080", Kind::Url, "http://[::1]:8080/"},
        {"[2001:db8::1]:8080/x", Kind::Url, "https://[2001:db8::1]:8080/x"},
        {"пример.рф", Kind::Url, "https://xn--e1afmkfd.xn--p1ai/"},
        {"LOCALHOST:3000/x", Kind::Url, "http://localhost:3000/x"},
        {"Localhost", Kind::Url, "http://localhost/"},
        {"devbox:8080/x", Kind::Url, "https://devbox:8080/x"},
        // Absolute paths are files of this machine, existing or not, never searches.
        {"/home/ana/notes/plan.html", Kind::Url, "file:///home/ana/notes/plan.html"},
        {" /home/ana/my notes/a #1?.html ", Kind::Url,
         "file:///home/ana/my%20notes/a%20%231%3F.html"},
        {"/", Kind::Url, "file:///"},
        // Everything else is a search of the trimmed text.
        {"::1", Kind::Search, search_for("%3A%3A1")},
        {"hello example.com", Kind::Search, search_for("hello+example.com")},
        {"  a b&c ", Kind::Search, search_for("a+b%26c")},
        {"Straße", Kind::Search, search_for("Stra%C3%9Fe")},
    };
    for (const auto& [input, kind, text] : cases) {
        const ResolvedInput r = resolve_input(input, ddg);
        EXPECT_EQ(std::tuple(r.kind, r.text), std::tuple(kind, text)) << input;
    }
}

// Only an https URL the browser chose itself keeps the http URL to fall back to.
TEST(ResolveInput, UpgradedAddressesKeepTheirHttpUrl) {
    for (const auto& [input, fallback] : std::initializer_list<std::pair<const char*, const char*>>{
             {"http://example.com/a?b", "http://example.com/a?b"},
             {"example.com/a", "http://example.com/a"},
             {"https://example.com/", ""},
             {"http://localhost:3000", ""},
             {"http://printer.local/", ""},
             {"localhost:8080/x", ""},
             {"hello world", ""}}) {
        EXPECT_EQ(resolve_input(input, ddg).http_fallback, fallback) << input;
    }
}

// Pasted line breaks: a URL wrapped over lines opens whole; any other text searches with a space
// where each break (and the blanks around it) was.
TEST(ResolveInput, LineBreaksLeaveAUrlAndBecomeSpacesInASearch) {
    for (const auto& [input, kind, text] :
         std::initializer_list<std::tuple<const char*, Kind, std::string>>{
             {"hello\nworld", Kind::Search, search_for("hello+world")},
             {"hello \r\n\r\n  world\n", Kind::Search, search_for("hello+world")},
             {"1 Main St\nSpringfield", Kind::Search, search_for("1+Main+St+Springfield")},
             {"https://exa\r\n  mple.com/a \n b", Kind::Url, "https://example.com/ab"},
             {"https://example.com/sign-in?token=ab\ncd", Kind::Url,
              "https://example.com/sign-in?token=abcd"},
             {"example.com/very/long/pa\nth", Kind::Url, "https://example.com/very/long/path"},
             {"java\nscript:alert(1)", Kind::Blocked, "blocked scheme"},
             {" \n\r\n ", Kind::Blocked, "empty"}}) {
        const ResolvedInput r = resolve_input(input, ddg);
        EXPECT_EQ(std::tuple(r.kind, r.text), std::tuple(kind, text)) << input;
    }
    EXPECT_EQ(settle_line_breaks("hello\nworld"), "hello world");
    EXPECT_EQ(settle_line_breaks("no breaks \t here "), "no breaks \t here ");
}

TEST(AddressPredicates, HostsLocalHostsAndUrlsSchemesAndChromeAddresses) {
    // clang-format off
    expect_split(looks_like_host,
                 {"example.com/path", "localhost:3000", "a.localhost", "1.2.3.4:80/x",
                  "255.255.255.255", "2001:db8::a", "[::1]", "[2001:db8::1]:443", "a.xn--p1ai",
                  "a.xn--", "例え.テスト", "example.com:", "example.com/@user", "example.io",
                  "devbox:8080/x", "my-box:1", "LOCALHOST:3000"},
                 {"/path", "?q", "#x", "256.0.0.1", "01.2.3.4", "::1", "[example.com]", "[]",
                  "example.c0m", "xn--p1ai", "a.xn-", "a.b", ".com", "example.", "example.com.",
                  "example.123", "example.com:abc", "user@example.com", "mailto:user@example.com",
                  "devbox", "devbox:", "devbox:65536", "-box:80", "box-:80", "a_b:80", "",
                  "user@devbox:22"});
    // clang-format on
    expect_split(is_local_host,
                 {"localhost", "localhost:8080", "localhost/x", "localhost?q", "127.0.0.1:3000",
                  "a.localhost", ".localhost", "[::1]", "[::1]:80", "[::1]/x", "[::1]?q", "[::1]#f",
                  "LOCALHOST", "Localhost:3000/x", "App.LocalHost"},
                 {"[::1]x", "::1", "localhost.com", "localhostx", "127.0.0.2", "192.168.0.1",
                  "my.local", ""});
    expect_split(local_url,
                 {"http://localhost/", "http://app.localhost/", "http://printer.local/",
                  "http://10.255.0.1/", "http://127.8.9.10/", "http://169.254.3.4/",
                  "http://172.16.0.1/", "http://172.31.255.255/", "http://192.168.1.5/",
                  "http://0x7f000001/", "http://[::1]/"},
                 {"http://localhost.example/", "http://mylocal/", "http://169.255.0.1/",
                  "http://172.32.0.1/", "http://192.169.0.1/", "http://8.8.8.8/", "http://[::2]/",
                  "http://[::ffff:127.0.0.1]/", "file:///tmp", "about:blank"});
    expect_split(is_external_scheme,
                 {"mailto:a@example.com", "tel:+123", "sms:123", "maps:?q=x", "facetime:x",
                  "FaceTime-Audio:123", "TEL", "mailto"},
                 {"https://x.example", "telnet:x", "skype:x", ":tel", ""});
    const std::string https_limit = "https://a.example/" + std::string(32768 - 18, 'a');
    expect_split(is_blocked_url,
                 {"corvane://newtab", "corvane://ui/index.html", "corvane:", "javascript:alert(1)",
                  "vbscript:x", "ftp://example.org", "", ":x", https_limit + "a"},
                 {"HTTPS://example.com", "http://x", "about", "blob:https://a/b",
                  "data:text/html,x", "file:///tmp", "CORVANE://NewTab/x", https_limit});
    expect_split(chrome_navigation_filter, {"corvane://ui/index.html", "corvane://ui/"},
                 {"corvane://ui", "Corvane://ui/index.html", "corvane://UI/index.html",
                  "corvane://newtab/", "https://example.com/"});
}

// Only an address with the new tab page's key hands text over; every form of the address is
// refused as a page to load.
TEST(NavigationPolicy, TheNewTabPageHandsTextOverWithItsKeyOnly) {
    expect_split(is_hand_over_address,
                 {"corvane://newtab/go", "corvane://newtab/go?q=x", "CORVANE://NEWTAB/GO#x",
                  "corvane://newtab/go/", "corvane://newtab/go?key=k&q=x"},
                 {"corvane://newtab/", "corvane://newtab/good", "corvane://newtab/index.html?go",
                  "https://newtab/go", "corvane://newtab/g", ""});
    using Row = std::tuple<std::string_view, std::string_view, std::optional<std::string>>;
    for (const auto& [url, key, text] : std::vector<Row>{
             {"corvane://newtab/go?key=9f0e&q=a%20b%26c", "9f0e", "a b&c"},
             {"corvane://newtab/go?key=9f0e&q=", "9f0e", ""},
             {"corvane://newtab/go?key=9f0e&q=file%3A%2F%2F%2Fx#frag", "9f0e", "file:///x"},
             {"corvane://newtab/go?q=file%3A%2F%2F%2Fx", "9f0e", std::nullopt},
             {"corvane://newtab/go?key=9f0&q=x", "9f0e", std::nullopt},
             {"corvane://newtab/go?key=9f0e0&q=x", "9f0e", std::nullopt},
             {"corvane://newtab/go?q=x&key=9f0e", "9f0e", std::nullopt},
             {"CORVANE://newtab/go?key=9f0e&q=x", "9f0e", std::nullopt},
             {"corvane://newtab/go?key=&q=x", "", std::nullopt}}) {
        EXPECT_EQ(new_tab_page_typed_text(url, key), text) << url;
    }
}

TEST(SearchEngines, TemplatesAndTheSettingsEngine) {
    for (const SearchEngine& engine : SEARCH_ENGINES) {
        EXPECT_TRUE(engine.url_template.starts_with("https://")) << engine.id;
    }
    EXPECT_EQ(search_engine_for("kagi").name, "Kagi");
    for (const char* unknown : {"", "Google", "bing "}) {
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

// Each row: a URL, its https upgrade, security state and shown host.
TEST(UrlClassify, UpgradeSecurityStateAndShownHost) {
    using Row = std::tuple<const char*, const char*, const char*, const char*>;
    for (const auto& [url, upgraded, state, host] : std::vector<Row>{
             {"http://example.com:443/a", "https://example.com/a", "insecure", "example.com"},
             {"http://localhost:3000/", "http://localhost:3000/", "local", "localhost"},
             // The local network is not upgraded, yet its http travels in clear text: only
             // loopback stays on the machine.
             {"http://192.168.0.1/", "http://192.168.0.1/", "insecure", "192.168.0.1"},
             {"http://printer.local/", "http://printer.local/", "insecure", "printer.local"},
             {"http://10.9.8.7/", "http://10.9.8.7/", "insecure", "10.9.8.7"},
             {"http://172.16.0.1/", "http://172.16.0.1/", "insecure", "172.16.0.1"},
             {"http://172.31.255.254/", "http://172.31.255.254/", "insecure", "172.31.255.254"},
             {"http://169.254.1.1/", "http://169.254.1.1/", "insecure", "169.254.1.1"},
             {"http://127.8.9.10:81/", "http://127.8.9.10:81/", "local", "127.8.9.10"},
             {"http://App.Localhost/", "http://app.localhost/", "local", "app.localhost"},
             {"http://0x7f000001/", "http://127.0.0.1/", "local", "127.0.0.1"},
             {"http://[::ffff:127.0.0.1]/", "https://[::ffff:7f00:1]/", "insecure",
              "[::ffff:7f00:1]"},
             {"https://localhost/", nullptr, "secure", "localhost"},
             {"http://172.32.0.1/", "https://172.32.0.1/", "insecure", "172.32.0.1"},
             // The scheme setter refuses a special-to-non-special change.
             {"foo://example.com/", "foo://example.com/", "none", "example.com"},
             {"https://www.www.example.com/a", nullptr, "secure", "example.com"},
             {"HTTPS://WWW.Example.com", nullptr, "secure", "example.com"},
             {"https://wwwx.com/", nullptr, "secure", "wwwx.com"},
             {"http://[::1]:8080/", nullptr, "local", "[::1]"},
             {"https://bücher.de/", nullptr, "secure", "xn--bcher-kva.de"},
             {"file:///tmp/x", nullptr, "local", ""},
             {"corvane://ui/index.html", nullptr, "internal", "ui"},
             {"about:blank", nullptr, "none", ""},
             {"not a url", nullptr, "none", ""}}) {
        SCOPED_TRACE(url);
        if (upgraded) {
            EXPECT_EQ(upgrade_to_https(*Url::parse(url)).href(), upgraded);
        }
        EXPECT_EQ(security_state_name(security_state(url)), state);
        EXPECT_EQ(display_host(url), host);
    }
    EXPECT_EQ(security_state_name(security_state("")), "none");
}

TEST(FaviconUrlOk, AcceptsHttpsAndNonSvgDataImages) {
    EXPECT_EQ(favicon_url_ok("  https://Example.com/icon.png \n"), "https://example.com/icon.png");
    EXPECT_EQ(favicon_url_ok("data:image/png;base64,AAAA"), "data:image/png;base64,AAAA");
    const std::string at_limit = "data:image/png;base64," + std::string(8192 - 22, 'A');
    EXPECT_EQ(favicon_url_ok(at_limit), at_limit);
    const std::string over_limit = at_limit + "A";
    for (const auto refused :
         Texts{"http://example.com/favicon.ico", "data:image/svg+xml,<svg/>",
               "DATA:image/png;base64,AAAA", "data:text/html,x", "ftp://example.com/i.ico",
               "https://exa mple.com/i.ico", "", over_limit}) {
        EXPECT_EQ(favicon_url_ok(refused), std::nullopt) << refused.substr(0, 40);
    }
}

TEST(UnicodeText, TrimsWhiteSpaceLowerCasesAndCountsCharacters) {
    EXPECT_EQ(text::trim_white_space(" \t\n a b \r"), "a b");
    EXPECT_EQ(text::trim_white_space("\u00a0\u3000x\u2028\u0085"), "x");
    EXPECT_EQ(text::trim_white_space("\u200bx\u200b"), "\u200bx\u200b"); // not White_Space
    EXPECT_EQ(text::trim_white_space("\u2003"), "");
    EXPECT_EQ(text::trim_white_space("\xff "), "\xff");
    expect_split(text::contains_white_space, {"a\u00a0b", "\u3000x"}, {"a\u200bb"});
    expect_split(text::is_alphabetic, {"com", "テスト", "рф"}, {"c0m", "co-m", ""});
    EXPECT_EQ(text::first_characters("aéb", 2), "aé");
    EXPECT_EQ(text::first_characters("ab", 5), "ab");
    EXPECT_EQ(text::first_characters("😀x", 1), "😀");
    EXPECT_EQ(text::to_lower("ÉCOLE ΟΔΟΣ Σ"), "école οδος σ");
    EXPECT_EQ(text::to_lower("İǅ"), "i\u0307ǆ");
    EXPECT_EQ(text::ascii_lower("ÉA"), "Éa");
    // Characters that reorder or hide text read as the URL sends them; visible ones stay.
    for (const auto& [input, shown] : std::initializer_list<std::pair<const char*, const char*>>{
             {"a.test/page/\u202Egnp.exe", "a.test/page/%E2%80%AEgnp.exe"},
             {"\u2066x\u2069\u200E\u200F\u061C", "%E2%81%A6x%E2%81%A9%E2%80%8E%E2%80%8F%D8%9C"},
             {"pay\u200Bpal\u00AD.com\uFEFF", "pay%E2%80%8Bpal%C2%AD.com%EF%BB%BF"},
             {"a\u2060b\u200Dc\uFE0F\U000E0041", "a%E2%81%A0b%E2%80%8Dc%EF%B8%8F%F3%A0%81%81"},
             {"école/日本/مرحبا/😀 %41", "école/日本/مرحبا/😀 %41"},
             {"\xff\x80", "\xff\x80"}}) {
        EXPECT_EQ(text::escape_invisible(input), shown) << input;
    }
    // Long ASCII text is lower-cased eight bytes at a time; each byte must come out as the
    // one-byte rule says, and a late non-ASCII byte must still reach the Unicode rules.
    std::string all;
    for (int c = 1; c < 128; ++c) {
        all.push_back(static_cast<char>(c));
    }
    for (std::size_t shift = 0; shift < 8; ++shift) {
        const std::string input = std::string(shift, 'Q') + all;
        EXPECT_EQ(text::to_lower(input), text::ascii_lower(input)) << shift;
        EXPECT_EQ(text::to_lower(input + "Ä"), text::ascii_lower(input) + "ä") << shift;
    }
}

} // namespace
} // namespace corvane
