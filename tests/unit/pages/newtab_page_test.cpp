#include "pages/html_text.h"
#include "pages/newtab_page.h"
#include "pages/newtab_snapshot.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace corvane {
namespace {

std::size_t count(const std::string& text, std::string_view needle) {
    std::size_t found = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++found;
    }
    return found;
}

bool has(const std::string& text, std::string_view needle) {
    return text.find(needle) != std::string::npos;
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

TEST(RenderNewTabPage, EngineFlagsAndNamesAreEscapedIntoThePage) {
    NewTabSnapshot snapshot;
    snapshot.engine_template = "https://search.example/?q={q}&src=\"cv\"";
    snapshot.engine_name = "Ask <Jeeves>";
    snapshot.shield = snapshot.https_only = true;
    snapshot.bookmarks = {{"https://a-very-long-host-name.example/path", ""},
                          {"https://b.example/", "Ünïcödé títlé that is long"}};
    snapshot.top_sites = {{"https://long.example/", "a-very-long-site-name.example"}};
    const auto page = render_newtab_page(snapshot, WindowPrivacy::normal);
    EXPECT_TRUE(
        has(page, R"(data-template="https://search.example/?q={q}&amp;src=&quot;cv&quot;")"));
    EXPECT_TRUE(has(page, "Search Ask &lt;Jeeves&gt; or enter website"));
    EXPECT_TRUE(has(page, R"(<span class="chip on">Shield on</span>)"
                          R"(<span class="chip on">HTTPS-Only on</span></div>)"));
    // Bookmark names are cut to 18 characters, top site names are not.
    EXPECT_TRUE(has(page, R"(<span class="nm">https://a-very-lon</span>)"));
    EXPECT_TRUE(has(page, R"(<span class="nm">Ünïcödé títlé that</span>)"));
    EXPECT_TRUE(has(page, ">a-very-long-site-name.example<"));
}

TEST(RenderNewTabPage, EightTilesOfBookmarksThenTopSitesAndBookmarksOnlyWhenPrivate) {
    NewTabSnapshot snapshot;
    for (int i = 9; i >= 1; --i) {
        snapshot.bookmarks.push_back({"https://b" + std::to_string(i) + ".example/", "B"});
    }
    snapshot.top_sites = {{"https://top.example/", "top.example"}};
    auto page = render_newtab_page(snapshot, WindowPrivacy::normal);
    EXPECT_TRUE(has(page, R"(<section class="tiles" aria-label="Frequently visited">)"));
    EXPECT_EQ(count(page, R"(<a class="tile")"), 8u);
    EXPECT_TRUE(has(page, "b2.example") && !has(page, "b1.example") && !has(page, "top.example"));

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
    EXPECT_EQ(count(page, R"(<a class="tile")"), 7u);
    EXPECT_TRUE(has(page, "t4.example") && !has(page, "t5.example"));

    page = render_newtab_page(snapshot, WindowPrivacy::private_window);
    EXPECT_TRUE(has(page, R"(<body class="private" data-template="">)"));
    EXPECT_TRUE(has(page, R"(<h1 id="greet">Private browsing</h1>)"));
    EXPECT_TRUE(has(page, R"(<section class="tiles" aria-label="Bookmarks">)"));
    EXPECT_TRUE(has(page, R"(<span class="chip private">Private: nothing is saved</span></div>)"));
    EXPECT_EQ(count(page, R"(<a class="tile")"), 2u);
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
    for (const auto& [name, letter] :
         std::vector<std::pair<std::string_view, std::string_view>>{{"ßuper", "SS"},
                                                                    {"ﬁne", "FI"},
                                                                    {"  (ödön)", "Ö"},
                                                                    {"½ price", "½"},
                                                                    {"-- 7 --", "7"},
                                                                    {"日本", "日"},
                                                                    {"!!!", ""},
                                                                    {"", ""},
                                                                    {"\xFF\xFE", ""}}) {
        EXPECT_EQ(initial_letter(name), letter) << name;
    }
}

TEST(SharedNewTabSnapshot, CopiesWholeSnapshotsAndKeepsTheOldOneWhenARebuildFails) {
    NewTabSnapshot sample;
    sample.engine_name = "DuckDuckGo";
    sample.top_sites = {{"https://example.com/", "example.com"}};
    sample.bookmarks = {{"https://b.example/", "B"}};
    sample.shield = true;
    SharedNewTabSnapshot shared(sample);
    EXPECT_EQ(shared.copy(), sample);
    EXPECT_THROW(shared.rebuild([]() -> NewTabSnapshot { throw std::runtime_error("ranking"); }),
                 std::runtime_error);
    EXPECT_EQ(shared.copy(), sample);
    // Readers never see a half-written snapshot.
    std::thread writer([&] {
        for (int i = 0; i < 2000; ++i) {
            shared.rebuild([&] { return i % 2 ? sample : NewTabSnapshot{}; });
        }
    });
    for (int i = 0; i < 2000; ++i) {
        const auto seen = shared.copy();
        EXPECT_TRUE(seen == sample || seen == NewTabSnapshot{});
    }
    writer.join();
}

} // namespace
} // namespace corvane
