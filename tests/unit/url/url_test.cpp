// What the rest of the browser relies on beyond the conformance data: host kinds and address
// values, the scheme setter, the encoders, and input that is not valid UTF-8.

#include "url/percent_encoding.h"
#include "url/url.h"
#include "url/utf8.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(Url, HostKindHostTextAndOrigin) {
    const std::tuple<const char*, HostKind, std::optional<std::string>, const char*> cases[] = {
        {"https://Example.COM:443/x", HostKind::Domain, "example.com", "https://example.com"},
        {"https://bücher.de/", HostKind::Domain, "xn--bcher-kva.de", "https://xn--bcher-kva.de"},
        // A compatibility ideograph the newer mapping sends beyond the Basic Plane.
        {"https://\U0002F91F.example/", HostKind::Domain, "xn--hb5j.example",
         "https://xn--hb5j.example"},
        {"http://0x7f.1/", HostKind::Ipv4, "127.0.0.1", "http://127.0.0.1"},
        {"http://[0:0::1]:8080/", HostKind::Ipv6, "[::1]", "http://[::1]:8080"},
        {"foo://Host/", HostKind::Opaque, "Host", "null"},
        {"file:///tmp/x", HostKind::Empty, "", "null"},
        {"foo:///x", HostKind::Empty, "", "null"},
        {"corvane://newtab/", HostKind::Opaque, "newtab", "null"},
        {"blob:https://a.example/uuid", HostKind::None, std::nullopt, "https://a.example"},
        {"data:text/plain,x", HostKind::None, std::nullopt, "null"},
        {"mailto:a@b.c", HostKind::None, std::nullopt, "null"},
    };
    for (const auto& [input, kind, host, origin] : cases) {
        SCOPED_TRACE(input);
        const std::optional<Url> url = Url::parse(input);
        ASSERT_TRUE(url);
        EXPECT_EQ(url->host_kind(), kind);
        EXPECT_EQ(url->host_str(), host);
        EXPECT_EQ(url->origin(), origin);
    }
}

TEST(Url, AddressValuesOfIpHosts) {
    EXPECT_EQ(Url::parse("http://192.168.1.5/")->host_record()->ipv4, 0xC0A80105U);
    EXPECT_EQ(Url::parse("http://3232235781/")->host_record()->ipv4, 0xC0A80105U);
    EXPECT_EQ(Url::parse("http://[::1]:8080/")->host_record()->ipv6,
              (Ipv6Address{0, 0, 0, 0, 0, 0, 0, 1}));
    EXPECT_EQ(Url::parse("http://[::ffff:1.2.3.4]/")->host_record()->ipv6,
              (Ipv6Address{0, 0, 0, 0, 0, 0xffff, 0x0102, 0x0304}));
    EXPECT_EQ(Url::parse("http://[::ffff:1.2.3.4]/")->host(), "[::ffff:102:304]");
    // The first longest run of zeros is the one left out, whatever lies after the address.
    const std::array<Ipv6Address, 2> followed_by_zeros{{{1, 0, 0, 2, 3, 4, 0, 0}}};
    EXPECT_EQ(serialize_ipv6(followed_by_zeros[0]), "1::2:3:4:0:0");
}

TEST(Url, SchemeSetterFollowsTheUrlApi) {
    const std::tuple<const char*, const char*, bool, const char*> cases[] = {
        {"http://example.com/a?b#c", "https", true, "https://example.com/a?b#c"},
        {"http://example.com:443/", "https", true, "https://example.com/"},
        {"http://example.com:8080/", "https", true, "https://example.com:8080/"},
        {"http://example.com/", "HTTPS:ignored", true, "https://example.com/"},
        {"http://example.com/", "foo", false, "http://example.com/"},
        {"foo://example.com/", "http", false, "foo://example.com/"},
        {"http://u@example.com/", "file", false, "http://u@example.com/"},
        {"file:///tmp", "http", false, "file:///tmp"},
        {"http://example.com/", "1http", false, "http://example.com/"},
        {"http://example.com/", "ht tp", false, "http://example.com/"},
        {"http://example.com/", "", false, "http://example.com/"},
        {"foo://example.com/", "git+ssh.v-2", true, "git+ssh.v-2://example.com/"},
        {"foo://example.com/", "b_r", false, "foo://example.com/"},
    };
    for (const auto& [input, scheme, changed, href] : cases) {
        SCOPED_TRACE(std::string(input) + " " + scheme);
        Url url = *Url::parse(input);
        EXPECT_EQ(url.set_scheme(scheme), changed);
        EXPECT_EQ(url.href(), href);
    }
}

TEST(Url, IllFormedUtf8BecomesReplacementCharacters) {
    // A lone continuation byte and a truncated sequence in the path, the query and the fragment.
    EXPECT_EQ(Url::parse("https://example.com/a\x80z?\xE2\x82#\xF0")->href(),
              "https://example.com/a%EF%BF%BDz?%EF%BF%BD#%EF%BF%BD");
    // Text cut inside a character or an escape ends there, whatever byte follows the cut.
    EXPECT_EQ(utf8_with_replacements(std::string_view("a\xC3\xA9", 2)), "a\xEF\xBF\xBD");
    EXPECT_EQ(percent_decode(std::string_view("a%41", 3)), "a%4");
    EXPECT_TRUE(is_valid_utf8("a\xC3\xA9") && !is_valid_utf8("a\xC3"));
}

// Empty and long inputs, bad ports and IPv4 parts, and where ".." stops.
TEST(Url, RefusedLongAndDotDotInputs) {
    for (const auto* refused :
         {"", "   ", "no-scheme", "1http://a/", "http://", "http://a:65536/",
          "http://192.168.0.257/", "http://192.168.256.1/",
          // No replacement character, control, space, "%" or DEL in a domain.
          "https://exa\xFFmple.com/", "https://exa%FFmple.com/", "http://a%01b/", "http://a%20b/",
          "http://a%25b/", "http://a%7Fb/"}) {
        EXPECT_FALSE(Url::parse(refused)) << refused;
    }
    const std::string long_path = "https://example.com/" + std::string(100000, 'a');
    EXPECT_EQ(Url::parse(long_path).value().href(), long_path);
    // File URLs: ".." stops only at a drive letter, which is written with ":"; any slashes.
    EXPECT_EQ(Url::parse("file:///ab/..")->href(), "file:///");
    EXPECT_EQ(Url::parse("file:///c:/..")->href(), "file:///c:/");
    EXPECT_EQ(Url::parse("file:///C|/x")->href(), "file:///C:/x");
    EXPECT_EQ(Url::parse("file://c:/x")->href(), "file:///c:/x");
    EXPECT_EQ(Url::parse("file:/x")->href(), "file:///x");
    EXPECT_EQ(Url::parse("file:x")->href(), "file:///x");
    EXPECT_EQ(Url::parse("http://a:" + std::string(50, '0') + "81/")->port(), 81);
}

struct EncodeCase {
    const char* input;
    const char* expected;
};

TEST(PercentEncoding, FormUrlencodedByteSerializer) {
    EXPECT_EQ(form_urlencoded_byte_serialize("a b&cAZaz09*-._~!'()é+%"),
              "a+b%26cAZaz09*-._%7E%21%27%28%29%C3%A9%2B%25");
    EXPECT_EQ(form_urlencoded_byte_serialize(""), "");
}

TEST(PercentEncoding, DecodeLeavesBrokenEscapesAlone) {
    const EncodeCase cases[] = {
        {"%41%20", "A "}, {"%", "%"},     {"%4", "%4"},    {"%zz", "%zz"},
        {"a%2", "a%2"},   {"%%41", "%A"}, {"%c3%a9", "é"},
    };
    for (const EncodeCase& c : cases) {
        EXPECT_EQ(percent_decode(c.input), c.expected) << c.input;
    }
}

} // namespace
} // namespace corvane
