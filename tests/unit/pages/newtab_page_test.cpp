#include "pages/html_text.h"
#include "pages/newtab_page.h"
#include "pages/newtab_snapshot.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace corvane {
namespace {

std::size_t count(const std::string& text, std::string_view needle) {
    std::size_t found = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++found;
    }
    return found;
}

void expect_parts(const std::string& page, std::initializer_list<std::string_view> parts) {
    for (const auto part : parts) {
        EXPECT_NE(page.find(part), std::string::npos) << part;
    }
}

constexpr std::string_view kTile = R"(<a class="tile")";

// The parts newtab.js and newtab.css rely on: the form, field and greeting ids, the engine
// template on the body, the stylesheet and script, and no tiles without any to show.
TEST(RenderNewTabPage, EmptySnapshotGivesThePageTheScriptNeedsWithoutTiles) {
    const std::string page = render_newtab_page({}, WindowPrivacy::normal);
    EXPECT_TRUE(page.starts_with(R"(<!doctype html><html lang="en"><head><meta charset="utf-8">)"));
    EXPECT_TRUE(page.ends_with(R"(<script src="corvane://newtab/newtab.js"></script>)"
                               "\n</body></html>"));
    expect_parts(page, {R"(<link rel="stylesheet" href="corvane://newtab/newtab.css"></head>)",
                        R"(<body class="" data-template="" data-key="">)", "<title>New Tab</title>",
                        R"(<h1 id="greet">Where to?</h1>)", R"(<form id="f" )",
                        R"(spellcheck="false" autofocus>)",
                        R"(<input id="q" name="q" placeholder="Search  or enter website")",
                        R"(<span class="chip off">Shield off</span>)",
                        R"(<span class="chip off">HTTPS-Only off</span></div>)"});
    EXPECT_EQ(page.find("tiles"), std::string::npos);
}

TEST(RenderNewTabPage, EngineFlagsAndNamesAreEscapedIntoThePage) {
    const NewTabSnapshot snapshot{"https://search.example/?q={q}&src=\"cv\"",
                                  "Ask <Jeeves>",
                                  {{"https://long.example/", "a-very-long-site-name.example"}},
                                  {{"https://a-very-long-host-name.example/path", ""},
                                   {"https://b.example/", "Ünïcödé títlé that is long"}},
                                  true,
                                  true};
    // Bookmark names are cut to 18 characters, top site names are not.
    expect_parts(render_newtab_page(snapshot, WindowPrivacy::normal, "k\"<"),
                 {R"(data-template="https://search.example/?q={q}&amp;src=&quot;cv&quot;")",
                  R"(data-key="k&quot;&lt;">)", "Search Ask &lt;Jeeves&gt; or enter website",
                  R"(<span class="chip on">Shield on</span><span class="chip on">HTTPS-Only on)",
                  R"(<span class="nm">https://a-very-lon</span>)",
                  R"(<span class="nm">Ünïcödé títlé that</span>)",
                  ">a-very-long-site-name.example<"});
}

TEST(RenderNewTabPage, EightTilesOfBookmarksThenTopSitesAndBookmarksOnlyWhenPrivate) {
    NewTabSnapshot snapshot;
    for (int i = 9; i >= 1; --i) {
        snapshot.bookmarks.push_back({"https://b" + std::to_string(i) + ".example/", "B"});
    }
    snapshot.top_sites = {{"https://top.example/", "top.example"}};
    auto page = render_newtab_page(snapshot, WindowPrivacy::normal);
    expect_parts(page,
                 {R"(<section class="tiles" aria-label="Frequently visited">)", "b2.example"});
    EXPECT_EQ(count(page, kTile), 8u);
    EXPECT_EQ(count(page, "b1.example") + count(page, "top.example"), 0u);

    snapshot.bookmarks = {{"https://same.example/", "Bookmarked"},
                          {"https://slash.example", "No slash"},
                          {"ftp://files.example/", "Files"}};
    snapshot.top_sites = {{"https://same.example/", "same.example"},
                          {"https://slash.example/", "slash.example"}};
    for (int i = 1; i <= 6; ++i) {
        snapshot.top_sites.push_back({"https://t" + std::to_string(i) + ".example/", "t"});
    }
    page = render_newtab_page(snapshot, WindowPrivacy::normal);
    // A top site already bookmarked is shown once; one that differs by the "/" again. The ftp
    // bookmark made no tile but took a place: 8 places, 7 tiles, t1 to t4 shown.
    EXPECT_EQ(count(page, "https://same.example/\""), 1u);
    EXPECT_EQ(count(page, R"(href="https://slash.example/")"), 2u);
    EXPECT_EQ(count(page, kTile), 7u);
    EXPECT_EQ(count(page, "//t4.example/\""), 1u);
    EXPECT_EQ(count(page, "t5.example"), 0u);

    page = render_newtab_page(snapshot, WindowPrivacy::private_window);
    expect_parts(page, {R"(<body class="private" data-template="" data-key="">)",
                        R"(<h1 id="greet">Private browsing</h1>)",
                        R"(<section class="tiles" aria-label="Bookmarks">)",
                        R"(<span class="chip private">Private: nothing is saved</span></div>)"});
    EXPECT_EQ(count(page, kTile), 2u);
}

TEST(NewTabTileHtml, HttpAndHttpsTilesOnly) {
    EXPECT_EQ(newtab_tile_html("HTTPS://Example.COM", "example.com"),
              R"(<a class="tile" href="https://example.com/"><span class="ic" data-letter="E">)"
              R"(<img src="https://example.com/favicon.ico" alt="" referrerpolicy="no-referrer" )"
              R"(loading="lazy"></span><span class="nm">example.com</span></a>)");
    EXPECT_EQ(newtab_tile_html("http://intranet.example:8080/a?b=1&c=2", "<b>I & \"J\"</b>"),
              R"(<a class="tile" href="http://intranet.example:8080/a?b=1&amp;c=2">)"
              R"(<span class="ic" data-letter="B"></span>)"
              R"(<span class="nm">&lt;b&gt;I &amp; &quot;J&quot;&lt;/b&gt;</span></a>)");
    for (const auto* url : {"ftp://example.com/", "javascript:alert(1)", "file:///etc/passwd",
                            "corvane://newtab/", "not a url", "https://exa mple.com/"}) {
        EXPECT_EQ(newtab_tile_html(url, "Name"), "") << url;
    }
}

TEST(HtmlText, EscapesCutsAndInitials) {
    EXPECT_EQ(html_escape(R"(<a href='x'>"T" & ü;</a>)"),
              "&lt;a href=&#39;x&#39;&gt;&quot;T&quot; &amp; ü;&lt;/a&gt;");
    EXPECT_EQ(first_chars("äöü€𝄞x", 5), "äöü€𝄞");
    EXPECT_EQ(first_chars("short", 18), "short");
    EXPECT_EQ(first_chars("abc", 0), "");
    // A broken sequence never cuts into the middle of the text's bytes beyond its end.
    EXPECT_EQ(first_chars("a\xE2\x82", 5), "a\xE2\x82");
    using Pair = std::pair<std::string_view, std::string_view>;
    for (const auto& [name, letter] :
         {Pair{"ßuper", "SS"}, Pair{"ﬁne", "FI"}, Pair{"  (ödön)", "Ö"}, Pair{"½ price", "½"},
          Pair{"-- 7 --", "7"}, Pair{"日本", "日"}, Pair{"!!!", ""}, Pair{"", ""},
          Pair{"\xFF\xFE", ""}}) {
        EXPECT_EQ(initial_letter(name), letter) << name;
    }
}

TEST(SharedNewTabSnapshot, KeepsTheOldSnapshotWhenARebuildFails) {
    const NewTabSnapshot sample{
        "", "DuckDuckGo", {{"https://a.example/", "a"}}, {{"b", "B"}}, true};
    SharedNewTabSnapshot shared(sample);
    EXPECT_THROW(shared.rebuild([]() -> NewTabSnapshot { throw std::runtime_error("ranking"); }),
                 std::runtime_error);
    EXPECT_EQ(shared.copy(), sample);
}

} // namespace
} // namespace corvane
