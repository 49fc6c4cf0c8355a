#include "pages/newtab_page.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace corvane {
namespace {

using Links = std::vector<NewTabLink>;

std::size_t count(const std::string& text, std::string_view needle) {
    std::size_t found = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++found;
    }
    return found;
}

std::string tiles_of(const std::string& page) {
    const auto start = page.find("<section");
    if (start == std::string::npos) {
        return {};
    }
    return page.substr(start, page.find("</section>") + 10 - start);
}

TEST(RenderNewTabPage, EmptySnapshotGivesTheWholePageWithoutTiles) {
    const std::string expected =
        R"(<!doctype html><html lang="en"><head><meta charset="utf-8"><meta name="color-scheme" )"
        R"(content="light dark"><title>New Tab</title><link rel="stylesheet" )"
        R"(href="corvane://newtab/newtab.css"></head>)"
        "\n"
        R"(<body class="" data-template="">)"
        "\n<main>\n"
        R"(  <img class="logo" src="corvane://newtab/logo.svg" alt="">)"
        "\n"
        R"(  <h1 id="greet">Where to?</h1>)"
        "\n"
        R"(  <form id="f" autocomplete="off" role="search">)"
        "\n"
        R"(    <svg viewBox="0 0 20 20" aria-hidden="true"><circle cx="8.8" cy="8.8" r="4.8"/>)"
        R"(<path d="M12.4 12.4L16 16"/></svg>)"
        "\n"
        R"(    <input id="q" name="q" placeholder="Search  or enter website" )"
        R"(aria-label="Search or enter website" spellcheck="false" autofocus>)"
        "\n  </form>\n  \n"
        R"(  <div class="chips"><span class="chip off">Shield off</span>)"
        R"(<span class="chip off">HTTPS-Only off</span></div>)"
        "\n</main>\n"
        R"(<script src="corvane://newtab/newtab.js"></script>)"
        "\n</body></html>";
    EXPECT_EQ(render_newtab_page({}, WindowPrivacy::normal), expected);
}

TEST(RenderNewTabPage, EngineAndFlagsAreEscapedIntoThePage) {
    NewTabSnapshot snapshot;
    snapshot.engine_template = "https://search.example/?q={q}&src=\"cv\"";
    snapshot.engine_name = "Ask <Jeeves>";
    snapshot.shield = true;
    snapshot.https_only = true;
    const auto page = render_newtab_page(snapshot, WindowPrivacy::normal);
    EXPECT_NE(page.find(R"(data-template="https://search.example/?q={q}&amp;src=&quot;cv&quot;")"),
              std::string::npos);
    EXPECT_NE(page.find("Search Ask &lt;Jeeves&gt; or enter website"), std::string::npos);
    EXPECT_NE(page.find(R"(<span class="chip on">Shield on</span>)"
                        R"(<span class="chip on">HTTPS-Only on</span></div>)"),
              std::string::npos);
}

TEST(RenderNewTabPage, NineBookmarksShowTheEightNewestAndNoTopSite) {
    NewTabSnapshot snapshot;
    for (int i = 9; i >= 1; --i) {
        snapshot.bookmarks.push_back({"https://b" + std::to_string(i) + ".example/", "B"});
    }
    snapshot.top_sites = {{"https://top.example/", "top.example"}};
    const auto tiles = tiles_of(render_newtab_page(snapshot, WindowPrivacy::normal));
    EXPECT_TRUE(tiles.starts_with(R"(<section class="tiles" aria-label="Frequently visited">)"));
    EXPECT_EQ(count(tiles, R"(<a class="tile")"), 8u);
    EXPECT_NE(tiles.find("b9.example"), std::string::npos);
    EXPECT_NE(tiles.find("b2.example"), std::string::npos);
    EXPECT_EQ(tiles.find("b1.example"), std::string::npos);
    EXPECT_EQ(tiles.find("top.example"), std::string::npos);
}

TEST(RenderNewTabPage, PrivateWindowShowsBookmarksOnly) {
    NewTabSnapshot snapshot;
    snapshot.bookmarks = {{"https://a.example/", "A"}};
    snapshot.top_sites = {{"https://top.example/", "top.example"}};
    const auto page = render_newtab_page(snapshot, WindowPrivacy::private_window);
    EXPECT_NE(page.find(R"(<body class="private" data-template="">)"), std::string::npos);
    EXPECT_NE(page.find(R"(<h1 id="greet">Private browsing</h1>)"), std::string::npos);
    EXPECT_NE(page.find(R"(<section class="tiles" aria-label="Bookmarks">)"), std::string::npos);
    EXPECT_NE(page.find(R"(<span class="chip private">Private: nothing is saved</span></div>)"),
              std::string::npos);
    EXPECT_EQ(page.find("top.example"), std::string::npos);
    EXPECT_EQ(count(page, R"(<a class="tile")"), 1u);
}

TEST(RenderNewTabPage, TopSitesFillUpToEightAfterBookmarks) {
    NewTabSnapshot snapshot;
    snapshot.bookmarks = {{"https://same.example/", "Bookmarked"},
                          {"https://slash.example", "No slash"},
                          {"ftp://files.example/", "Files"}};
    snapshot.top_sites = {
        {"https://same.example/", "same.example"},   // already a bookmark: shown once
        {"https://slash.example/", "slash.example"}, // differs by the "/": shown again
    };
    for (int i = 1; i <= 6; ++i) {
        snapshot.top_sites.push_back(
            {"https://t" + std::to_string(i) + ".example/", "t" + std::to_string(i)});
    }
    const auto tiles = tiles_of(render_newtab_page(snapshot, WindowPrivacy::normal));
    EXPECT_EQ(count(tiles, "https://same.example/\""), 1u);
    EXPECT_NE(tiles.find(">Bookmarked<"), std::string::npos);
    EXPECT_EQ(count(tiles, R"(href="https://slash.example/")"), 2u);
    // The ftp bookmark made no tile but took a place: 8 places, 7 tiles, t1..t4 shown.
    EXPECT_EQ(count(tiles, R"(<a class="tile")"), 7u);
    EXPECT_NE(tiles.find("t4.example"), std::string::npos);
    EXPECT_EQ(tiles.find("t5.example"), std::string::npos);
}

TEST(NewTabTileHtml, HttpsTileHasAFaviconAndAParsedHref) {
    EXPECT_EQ(newtab_tile_html("HTTPS://Example.COM", "example.com"),
              R"(<a class="tile" href="https://example.com/"><span class="ic" data-letter="E">)"
              R"(<img src="https://example.com/favicon.ico" alt="" referrerpolicy="no-referrer" )"
              R"(loading="lazy"></span><span class="nm">example.com</span></a>)");
}

TEST(NewTabTileHtml, HttpTileHasNoFavicon) {
    EXPECT_EQ(newtab_tile_html("http://intranet.example:8080/a?b=1&c=2", "Intranet"),
              R"(<a class="tile" href="http://intranet.example:8080/a?b=1&amp;c=2">)"
              R"(<span class="ic" data-letter="I"></span><span class="nm">Intranet</span></a>)");
}

TEST(NewTabTileHtml, NoTileForOtherSchemesOrUnparsableUrls) {
    for (const auto* url : {"ftp://example.com/", "javascript:alert(1)", "file:///etc/passwd",
                            "corvane://newtab/", "not a url", "", "https://exa mple.com/"}) {
        EXPECT_EQ(newtab_tile_html(url, "Name"), "") << url;
    }
}

TEST(NewTabTileHtml, LetterAndNameFollowTheTitle) {
    struct Case {
        std::string_view name;
        std::string_view letter;
    };
    for (const auto& c : std::vector<Case>{{"ßtraße", "SS"},
                                           {"älter", "Ä"},
                                           {"...!?", ""},
                                           {"", ""},
                                           {"  42 answers", "4"},
                                           {"— émile", "É"},
                                           {"日本", "日"}}) {
        const auto tile = newtab_tile_html("http://a.example/", c.name);
        EXPECT_NE(tile.find("data-letter=\"" + std::string(c.letter) + "\""), std::string::npos)
            << c.name;
    }
    EXPECT_NE(
        newtab_tile_html("https://a.example/", "<b>Tom & \"Jerry\"</b>")
            .find(R"(<span class="nm">&lt;b&gt;Tom &amp; &quot;Jerry&quot;&lt;/b&gt;</span>)"),
        std::string::npos);
}

TEST(RenderNewTabPage, BookmarkNamesAreCutTo18Characters) {
    NewTabSnapshot snapshot;
    snapshot.bookmarks = {{"https://a-very-long-host-name.example/path", ""},
                          {"https://b.example/", "Ünïcödé títlé that is long"}};
    const auto tiles = tiles_of(render_newtab_page(snapshot, WindowPrivacy::normal));
    EXPECT_NE(tiles.find(R"(<span class="nm">https://a-very-lon</span>)"), std::string::npos);
    EXPECT_NE(tiles.find(R"(<span class="nm">Ünïcödé títlé that</span>)"), std::string::npos);
}

TEST(RenderNewTabPage, TopSiteNamesAreNotCut) {
    NewTabSnapshot snapshot;
    snapshot.top_sites = {{"https://long.example/", "a-very-long-site-name.example"}};
    const auto tiles = tiles_of(render_newtab_page(snapshot, WindowPrivacy::normal));
    EXPECT_NE(tiles.find(">a-very-long-site-name.example<"), std::string::npos);
}

} // namespace
} // namespace corvane
