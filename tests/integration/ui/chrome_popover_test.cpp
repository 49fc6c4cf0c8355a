// The chrome page's popovers in the browser's own chrome view: the menu, the Shield card, the
// list panels and the sheets, what they show from the core's panel data and what they post.
#include "chrome_view.h"

#include <ctime>

namespace corvane::test {
namespace {

using nlohmann::json;
using ChromePopover = ChromeViewTest;

json shield_data() {
    return J(R"({"enabled":true,"host":"example.com","memoryMB":412,"newtab":false,"rules":1234,
                 "sec":"secure","siteOn":true,"sleeping":2})");
}

json page_item(const std::string& title, const std::string& url, std::int64_t last) {
    return json{{"display", url.substr(8)},
                {"favicon", nullptr},
                {"last", last},
                {"title", title},
                {"url", url}};
}

json items(const std::vector<json>& list) {
    return json{{"items", list}};
}

// The open list panel: day headers as "# label", rows as "main | sub".
constexpr const char* kList = R"JS(
[...document.querySelectorAll('#panel .list > *')].map((e) =>
    e.classList.contains('day') ? '# ' + e.textContent
    : e.classList.contains('empty') ? 'empty: ' + e.textContent
    : e.querySelector('.lrow-main').textContent + ' | ' + e.querySelector('.lrow-sub').textContent)
)JS";

// Clicks the button of the sheet whose text starts with the label.
std::string press(const std::string& scope, const std::string& label) {
    return "[...document.querySelectorAll('" + scope + "')].find((b) => b.textContent.startsWith(" +
           json(label).dump() + ")).click();";
}

struct MenuRow {
    const char* label;
    const char* message;
};

const MenuRow kMenuRows[] = {
    {"New Tab", R"({"t":"cmd","cmd":"newTab"})"},
    {"New Window", R"({"t":"cmd","cmd":"newWindow"})"},
    {"New Private Window", R"({"t":"cmd","cmd":"privateWindow"})"},
    {"History", R"({"t":"panel","name":"history"})"},
    {"Bookmarks", R"({"t":"panel","name":"bookmarks"})"},
    {"Downloads", R"({"t":"panel","name":"downloads"})"},
    {"Find in Page", R"({"t":"cmd","cmd":"find"})"},
    {"Print", R"({"t":"cmd","cmd":"print"})"},
    {"Developer Tools", R"({"t":"cmd","cmd":"devtools"})"},
    {"Settings", R"({"t":"panel","name":"settings"})"},
    {"About Corvane", R"({"t":"panel","name":"about"})"},
};

TEST_F(ChromePopover, MenuRowsRunTheirCommandsAndZoomActsInPlace) {
    json state = sample_state();
    state["zoom"] = 1.25;
    render(state);
    js("D.$('#menu').click()");
    EXPECT_EQ(js("[D.shown('menu-pop'), D.shown('overlay'), D.$('#zoomval').textContent]"),
              json({true, true, "125%"}));
    js("D.$('[aria-label=\"Zoom in\"]').click(); D.$('[aria-label=\"Zoom out\"]').click()");
    EXPECT_EQ(js("D.shown('menu-pop')"), true) << "the zoom buttons leave the menu open";
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},{"t":"cmd","cmd":"zoomIn"},
                            {"t":"cmd","cmd":"zoomOut"}])"));
    call("closeAll");
    sent();
    for (const MenuRow& row : kMenuRows) {
        js("D.$('#menu').click();" + press("#menu-pop .mrow", row.label));
        EXPECT_EQ(js("D.shown('menu-pop') || D.shown('overlay')"), false) << row.label;
        EXPECT_EQ(sent(), json::array({J(R"({"t":"overlay","on":true})"),
                                       J(R"({"t":"overlay","on":false})"), J(row.message)}))
            << row.label;
        call("closeAll");
        sent();
    }
    // The zoom shown is read when the menu opens; the menu button toggles it.
    js("D.$('#menu').click()");
    state["zoom"] = 1.1;
    render(state);
    EXPECT_EQ(js("D.$('#zoomval').textContent"), "125%");
    js("D.$('#menu').click()");
    EXPECT_EQ(js("D.shown('menu-pop')"), false);
    js("D.$('#menu').click()");
    EXPECT_EQ(js("D.$('#zoomval').textContent"), "110%");
}

struct ShieldCase {
    const char* changes;
    std::vector<std::string> lines; // the heading, then every line of the card
};

const ShieldCase kShieldCases[] = {
    {"{}",
     {"example.com", "Shield blocks trackers, ads and cryptominers on every site.",
      "Shield on this site", "Connection is secure",
      "Encrypted with TLS; HTTPS-Only is protecting this tab.", "1234 protection rules active",
      "Compiled natively into WebKit, zero page slowdown.", "412 MB in use",
      "2 tabs are asleep to save memory."}},
    {R"({"host":"","newtab":true,"sec":"internal","memoryMB":0,"sleeping":1})",
     {"Corvane Shield", "Shield blocks trackers, ads and cryptominers on every site.",
      "Corvane page", "Nothing leaves your device.", "1234 protection rules active",
      "Compiled natively into WebKit, zero page slowdown.", "Measuring memory…",
      "1 tab is asleep to save memory."}},
    {R"({"enabled":false,"sec":"insecure","sleeping":0,"host":"<b>plain</b>.example"})",
     {"<b>plain</b>.example", "Shield is turned off in Settings.", "Shield on this site",
      "Connection is not secure", "This site has no HTTPS. Don't enter passwords or card details.",
      "1234 protection rules active", "Compiled natively into WebKit, zero page slowdown.",
      "412 MB in use", "0 tabs are asleep to save memory."}},
    {R"({"sec":"local","memoryMB":null})",
     {"example.com", "Shield blocks trackers, ads and cryptominers on every site.",
      "Shield on this site", "Local or internal page", "Nothing leaves your device.",
      "1234 protection rules active", "Compiled natively into WebKit, zero page slowdown.",
      "Measuring memory…", "2 tabs are asleep to save memory."}},
};

TEST_F(ChromePopover, ShieldCardDescribesTheSiteAndSwitchesIt) {
    render(sample_state());
    for (const ShieldCase& c : kShieldCases) {
        json data = shield_data();
        data.merge_patch(json::parse(c.changes));
        panel("shield", data);
        // Digit grouping follows the locale: the rule count is compared by its digits.
        EXPECT_EQ(js("D.texts('#shield-pop h2, #shield-pop .card-line, #shield-pop .card-row >"
                     " span, #shield-pop .info strong, #shield-pop .info span')"
                     ".map((t) => t.replace(/^[\\d,. \\u00a0\\u202f]+(?= protection)/,"
                     " (n) => n.replace(/\\D/g, '')))"),
                  json(c.lines))
            << c.changes;
        EXPECT_EQ(js("document.querySelectorAll('#shield-pop b').length"), 0);
    }
    call("closeAll");
    sent();
    // The card waits for its data and takes over from the menu.
    js("D.$('#menu').click(); D.$('#shield').click()");
    EXPECT_EQ(js("D.shown('menu-pop') || D.shown('shield-pop')"), false);
    panel("shield", shield_data());
    EXPECT_EQ(js("D.shown('shield-pop') && D.shown('overlay')"), true);
    js("D.$('#shield-pop [role=switch]').click()");
    EXPECT_EQ(js("D.$('#shield-pop [role=switch]').getAttribute('aria-checked')"), "false");
    js("D.$('#shield').click()");
    EXPECT_EQ(js("D.shown('shield-pop') || D.shown('overlay')"), false);
    js("D.$('#sec').click()"); // the security button opens the same card
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},{"t":"overlay","on":false},
        {"t":"panel","name":"shield"},{"t":"overlay","on":true},{"t":"shieldSite","on":false},
        {"t":"overlay","on":false},{"t":"panel","name":"shield"}])"));
}

TEST_F(ChromePopover, HistoryPanelGroupsByDayFiltersAndOpens) {
    render(sample_state());
    call("openPanel", {"history"});
    EXPECT_EQ(sent(), J(R"([{"t":"panel","name":"history"}])"));
    const std::int64_t now = std::time(nullptr);
    const std::int64_t two_days_ago = now - 2 * 86400;
    panel("history", items({page_item("Morning news", "https://news.example/today", now - 1),
                            page_item("", "https://bare.example/x", now - 2),
                            page_item("Old <i>read</i>", "https://old.example/", two_days_ago)}));
    EXPECT_EQ(js("[D.shown('panel'), D.shown('overlay'), document.activeElement.placeholder]"),
              json({true, true, "Search history"}));
    std::tm day{};
    const std::time_t old_time = two_days_ago;
    localtime_r(&old_time, &day);
    char heading[64];
    std::strftime(heading, sizeof heading, "# %A", &day);
    const json list = js(kList);
    ASSERT_EQ(list.size(), 5u) << list.dump();
    EXPECT_EQ(json({list[0], list[1], list[2], list[4]}),
              json({"# Today", "Morning news | news.example/today",
                    "https://bare.example/x | bare.example/x", "Old <i>read</i> | old.example/"}));
    EXPECT_TRUE(list[3].get<std::string>().starts_with(heading)) << list[3];
    EXPECT_NE(list[3].get<std::string>().find(std::to_string(day.tm_mday)), std::string::npos);
    EXPECT_EQ(js("document.querySelectorAll('#panel i').length"), 0);

    const std::pair<const char*, const char*> filters[] = {
        {"  NEWS ", R"(["# Today","Morning news | news.example/today"])"},
        {"bare.example", R"(["# Today","https://bare.example/x | bare.example/x"])"},
        {"nothing like it", R"(["empty: No matches."])"},
    };
    for (const auto& [text, expected] : filters) {
        js("D.type('.panel-search', " + json(text).dump() + ")");
        EXPECT_EQ(js(kList), J(expected)) << text;
    }
    // A click on a row opens it; Control opens it in a new tab.
    js("D.type('.panel-search', '');"
       "D.mouse(document.querySelector('#panel .lrow'), 'click', {ctrlKey: true})");
    EXPECT_EQ(js("D.shown('panel') || D.shown('overlay')"), false);
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},{"t":"overlay","on":false},
        {"t":"openUrl","url":"https://news.example/today","newTab":true}])"));
}

TEST_F(ChromePopover, HistoryPanelCapsItsLengthAndOffersClearing) {
    render(sample_state());
    const std::int64_t now = std::time(nullptr);
    json many = json::array();
    for (int i = 0; i < 1000; ++i) {
        many.push_back(page_item("Page " + std::to_string(i),
                                 "https://p.example/" + std::to_string(i), now - i));
    }
    panel("history", {{"items", many}});
    EXPECT_EQ(js("document.querySelectorAll('#panel .list > *').length"), 401);
    js("D.$('#panel .panel-head .text-btn').click()");
    EXPECT_EQ(js("D.shown('panel')"), false);
    panel("history", items({}));
    EXPECT_EQ(js(kList), J(R"(["empty: Pages you visit show up here."])"));
    EXPECT_EQ(js("document.querySelectorAll('#panel .panel-head .text-btn').length"), 0)
        << "nothing to clear";
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},{"t":"overlay","on":false},
        {"t":"panel","name":"clear"},{"t":"overlay","on":true}])"));
}

TEST_F(ChromePopover, BookmarksPanelRemovesAndFilters) {
    render(sample_state());
    json list = items({page_item("Docs", "https://docs.example/", 0),
                       page_item("Mail", "https://mail.example/", 0)});
    list["items"][1]["favicon"] = "data:image/png;base64,AAAA";
    panel("bookmarks", list);
    EXPECT_EQ(js(kList), J(R"(["Docs | docs.example/","Mail | mail.example/"])"));
    EXPECT_EQ(js("document.activeElement.placeholder"), "Search bookmarks");
    EXPECT_TRUE(wait_until([&] {
        return js("D.icons('#panel .lrow-icon')") == J(R"(["#i-globe","#i-globe"])");
    })) << "a missing favicon and a broken one both show the globe";
    js("document.querySelectorAll('#panel .lrow-btn')[1].click()");
    EXPECT_EQ(js("D.shown('panel')"), true) << "removing does not open the bookmark";
    js("D.type('.panel-search', 'zzz')");
    EXPECT_EQ(js(kList), J(R"(["empty: No matches."])"));
    panel("bookmarks", items({}));
    EXPECT_EQ(js(kList), J(R"(["empty: Press Ctrl+D to bookmark a page."])"));
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},
                            {"t":"removeBookmark","url":"https://mail.example/"}])"));
}

TEST_F(ChromePopover, DownloadsPanelShowsStatesAndReveals) {
    render(sample_state());
    js("D.$('#downloads').click()");
    EXPECT_EQ(sent(), J(R"([{"t":"panel","name":"downloads"}])"));
    panel("downloads", J(R"({"items":[
        {"name":"<b>report</b>.pdf","path":"/home/u/Downloads/report.pdf","state":"done",
         "url":"https://files.example/report.pdf"},
        {"name":"big.iso","path":"/home/u/Downloads/big.iso","state":"active",
         "url":"https://files.example/big.iso"},
        {"name":"","path":"","state":"failed","url":"https://files.example/broken"},
        {"name":"photo.jpg","path":"/home/u/Downloads/photo.jpg","state":"done",
         "url":"https://files.example/photo.jpg"}]})"));
    EXPECT_EQ(js(kList), J(R"(["<b>report</b>.pdf | Saved to Downloads", "big.iso | Downloading…",
        "https://files.example/broken | Failed", "photo.jpg | Saved to Downloads"])"));
    EXPECT_EQ(js("D.icons('#panel .lrow-icon')"),
              J(R"(["#i-download","#i-download","#i-warn","#i-download"])"));
    EXPECT_EQ(js("[...document.querySelectorAll('#panel .lrow')].map((r) => r.title)"),
              J(R"(["/home/u/Downloads/report.pdf","/home/u/Downloads/big.iso",
                    "https://files.example/broken","/home/u/Downloads/photo.jpg"])"));
    EXPECT_EQ(js("[...document.querySelectorAll('#panel .lrow-btn')].map((b) => b.title)"),
              J(R"(["Show in Files","Show in Files"])"))
        << "only finished downloads can be shown";
    js("document.querySelectorAll('#panel .lrow-btn')[1].click()");
    panel("downloads", items({}));
    EXPECT_EQ(js(kList), J(R"(["empty: No downloads yet."])"));
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},{"t":"revealDownload","index":3}])"));
}

TEST_F(ChromePopover, SettingsSheetSendsTypedValuesAtOnce) {
    render(sample_state());
    call("openSheet", {"settings"});
    panel("settings", J(R"({
        "engines":[{"id":"duckduckgo","name":"DuckDuckGo"},{"id":"google","name":"Google"},
                   {"id":"kagi","name":"Kagi"}],
        "settings":{"block_trackers":true,"https_only":true,"max_awake_tabs":6,
                    "restore_session":false,"search_engine":"google","shield_allowlist":[],
                    "sleep_after_mins":10},
        "version":"0.2.0"})"));
    EXPECT_EQ(js("[D.shown('sheet-back'), D.shown('overlay')]"), json({true, true}));
    EXPECT_EQ(js("[...document.querySelectorAll('#sheet select')].map((s) => s.value)"),
              J(R"(["google","10","6"])"));
    const std::string switches =
        "[...document.querySelectorAll('#sheet [role=switch]')].map((s) =>"
        " s.getAttribute('aria-label') + '=' + s.getAttribute('aria-checked'))";
    EXPECT_EQ(js(switches), J(R"(["Restore session=false","Shield=true","HTTPS only=true"])"));
    js("[['kagi', 0], ['0', 1], ['20', 2]].forEach(([value, i]) => {"
       "  const s = document.querySelectorAll('#sheet select')[i]; s.value = value;"
       "  s.dispatchEvent(new Event('change', {bubbles: true})); });"
       "['Shield', 'Restore session', 'HTTPS only'].forEach((label) =>"
       "  D.$(`#sheet [aria-label=\"${label}\"]`).click())");
    EXPECT_EQ(js(switches), J(R"(["Restore session=true","Shield=false","HTTPS only=false"])"));
    js(press("#sheet .text-btn", "Done"));
    EXPECT_EQ(js("D.shown('sheet-back') || D.shown('overlay')"), false);
    EXPECT_EQ(sent(), J(R"([{"t":"panel","name":"settings"},{"t":"overlay","on":true},
        {"t":"setting","key":"search_engine","value":"kagi"},
        {"t":"setting","key":"sleep_after_mins","value":0},
        {"t":"setting","key":"max_awake_tabs","value":20},
        {"t":"setting","key":"block_trackers","value":false},
        {"t":"setting","key":"restore_session","value":true},
        {"t":"setting","key":"https_only","value":false},{"t":"overlay","on":false}])"));
}

TEST_F(ChromePopover, ClearSheetSendsTheChosenKindsAndCancelNothing) {
    render(sample_state());
    panel("clear", json::object());
    EXPECT_EQ(js("[...document.querySelectorAll('#sheet [role=switch]')]"
                 ".map((s) => s.getAttribute('aria-checked'))"),
              J(R"(["true","true"])"));
    js("document.querySelectorAll('#sheet [role=switch]').forEach((s) => s.click());" +
       press("#sheet .text-btn", "Clear"));
    EXPECT_EQ(js("D.shown('sheet-back')"), false);
    panel("clear", json::object());
    js(press("#sheet .text-btn", "Cancel"));
    panel("clear", json::object());
    js(press("#sheet .text-btn", "Clear"));
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},
        {"t":"clearData","history":false,"site":false},{"t":"overlay","on":false},
        {"t":"overlay","on":true},{"t":"overlay","on":false},{"t":"overlay","on":true},
        {"t":"clearData","history":true,"site":true},{"t":"overlay","on":false}])"));
}

TEST_F(ChromePopover, AboutSheetShowsTheVersionAndOpensLinksInNewTabs) {
    render(sample_state());
    panel("about", {{"engine", "WebKitGTK (system engine)"}, {"version", "0.2.0"}});
    EXPECT_EQ(js("[D.$('#sheet .logo').getAttribute('src'), D.$('#sheet .version').textContent]"),
              json({"corvane://ui/logo.svg", "Version 0.2.0 · WebKitGTK (system engine)"}));
    // A broken image has no size.
    EXPECT_TRUE(wait_until([&] {
        return js("D.$('#sheet .logo').complete && D.$('#sheet .logo').naturalWidth > 0") == true;
    })) << "the logo is served";
    js("document.querySelectorAll('#sheet .links .text-btn')[1].click()");
    EXPECT_EQ(js("D.shown('sheet-back')"), false);
    const json got = sent();
    ASSERT_EQ(got.size(), 3u) << got.dump();
    EXPECT_EQ(json({got[2]["t"], got[2]["newTab"]}), json({"openUrl", true}));
    EXPECT_TRUE(got[2]["url"].get<std::string>().starts_with("https://"));
}

TEST_F(ChromePopover, ABackdropPressAPressElsewhereOrEscapeDismissPopovers) {
    render(sample_state());
    const auto press_at = [&](const char* id, int y) {
        js(std::string("D.$('#") + id +
           "').dispatchEvent(new MouseEvent('mousedown', {bubbles: true, clientX: 3, clientY: " +
           std::to_string(y) + "}))");
    };
    panel("clear", json::object());
    js("D.mouse('#sheet', 'mousedown'); D.mouse('#sheet h2', 'mousedown')");
    EXPECT_EQ(js("D.shown('sheet-back')"), true) << "a press on the sheet itself keeps it";
    press_at("sheet-back", 300);
    EXPECT_EQ(js("D.shown('sheet-back') || D.shown('overlay')"), false);
    js("D.$('#menu').click()");
    press_at("overlay", 600);
    EXPECT_EQ(js("D.shown('menu-pop') || D.shown('overlay')"), false);
    js("D.$('#menu').click(); D.mouse('.tab.active', 'mousedown')");
    EXPECT_EQ(js("D.shown('menu-pop')"), false);
    // The menu button toggles: its press must not close what its click then reopens.
    js("D.$('#menu').click(); D.mouse('#menu', 'mousedown'); D.mouse('#menu', 'mouseup');"
       "D.mouse('#menu', 'click')");
    EXPECT_EQ(js("D.shown('menu-pop')"), false);
    panel("bookmarks", items({}));
    EXPECT_EQ(js("D.key('.panel-search', 'Escape')"), true);
    EXPECT_EQ(js("D.shown('panel')"), false);
    panel("about", {{"engine", "WebKitGTK"}, {"version", "0.2.0"}});
    js("D.key(document.body, 'Escape')");
    EXPECT_EQ(js("D.shown('sheet-back')"), false);
    json expected = json::array();
    for (int i = 0; i < 6; ++i) {
        expected.push_back({{"t", "overlay"}, {"on", true}});
        expected.push_back({{"t", "overlay"}, {"on", false}});
    }
    EXPECT_EQ(sent(), expected);
}

TEST_F(ChromePopover, ALateAnswerStillShowsItsPopoverAndCloseAllLeavesSuggestions) {
    render(sample_state());
    call("openPanel", {"history"});
    js("D.$('#menu').click()");
    panel("history", items({}));
    EXPECT_EQ(js("[D.shown('menu-pop'), D.shown('panel')]"), json({true, true}));
    type_into_omni("exa");
    suggest(sample_rows());
    call("closeAll");
    EXPECT_EQ(js("[D.shown('menu-pop'), D.shown('panel'), D.shown('suggest'), D.shown('overlay')]"),
              json({false, false, true, true}));
}

TEST_F(ChromePopover, IgnoresMalformedPanelData) {
    render(sample_state());
    panel("history", {{"items", {nullptr, 5, "x"}}});
    EXPECT_EQ(js(kList), J(R"(["empty: Pages you visit show up here."])"));
    panel("settings", json::object());
    EXPECT_EQ(js("D.shown('sheet-back')"), true);
    panel("shield", nullptr);
    EXPECT_EQ(js("D.$('#shield-pop h2').textContent"), "Corvane Shield");
}

// The strip and toolbar are opaque; the page area under them is left unpainted for the tab's
// view beneath, in every palette; a sheet dims it.
TEST_F(ChromePopover, PageAreaStaysSeeThroughUnderEveryPalette) {
    for (const bool dark : {false, true}) {
        set_dark(dark);
        for (const bool is_private : {false, true}) {
            json state = sample_state();
            state["private"] = is_private;
            render(state);
            settle();
            EXPECT_EQ(alpha_at({{600, 10}, {600, 60}, {600, 400}, {20, 700}}),
                      std::vector<int>({255, 255, 0, 0}))
                << (dark ? "dark" : "light") << (is_private ? " private" : "");
        }
    }
    panel("clear", json::object());
    settle();
    const std::vector<int> dimmed = alpha_at({{20, 700}});
    ASSERT_EQ(dimmed.size(), 1u);
    EXPECT_GT(dimmed[0], 0);
    EXPECT_LT(dimmed[0], 255);
}

} // namespace
} // namespace corvane::test
