// The chrome page's popovers in a real WebKit view: the menu, the Shield card, the list panels
// and the sheets, what they show from the core's panel data and the messages they post.
#include "chrome_harness.h"

#include <ctime>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace corvane::test {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ChromePopover = ChromePageTest;

json shield_data() {
    return json{{"enabled", true}, {"host", "example.com"}, {"memoryMB", 412}, {"newtab", false},
                {"rules", 1234},   {"sec", "secure"},       {"siteOn", true},  {"sleeping", 2}};
}

json page_item(const std::string& title, const std::string& url, std::int64_t last) {
    return json{{"display", url.substr(8)},
                {"favicon", nullptr},
                {"last", last},
                {"title", title},
                {"url", url}};
}

// Reads the open list panel back: day headers as "# label", rows as their main text.
constexpr const char* kReadList = R"JS(
Array.from(document.querySelectorAll('#panel .list > *')).map((e) =>
    e.classList.contains('day') ? '# ' + e.textContent
    : e.classList.contains('empty') ? 'empty: ' + e.textContent
    : e.querySelector('.lrow-main').textContent + ' | ' + e.querySelector('.lrow-sub').textContent)
)JS";

TEST_F(ChromePopover, MenuListsItsRowsAndRunsCommands) {
    json state = sample_state();
    state["zoom"] = 1.25;
    render(state);
    js("document.getElementById('menu').click()");
    EXPECT_EQ(js("T.shown('menu-pop') && T.shown('overlay')"), true);
    EXPECT_EQ(
        js("T.texts('#menu-pop .mrow-label')"),
        json({"New Tab", "New Window", "New Private Window", "History", "Bookmarks", "Downloads",
              "Zoom", "Find in Page…", "Print…", "Developer Tools", "Settings", "About Corvane"}));
    EXPECT_EQ(js("T.texts('#menu-pop .keys')"),
              json({"Ctrl+T", "Ctrl+N", "Shift+Ctrl+N", "Ctrl+Y", "Alt+Ctrl+B", "Alt+Ctrl+L",
                    "Ctrl+F", "Ctrl+P", "Alt+Ctrl+I", "Ctrl+,", ""}));
    EXPECT_EQ(js("document.querySelectorAll('#menu-pop .sep').length"), 3);
    EXPECT_EQ(js("document.getElementById('zoomval').textContent"), "125%");
    const json menu = js("T.rect('#menu-pop')");
    EXPECT_EQ(menu["width"], 268);
    EXPECT_EQ(menu["right"], 1100 - 10);
    EXPECT_EQ(js("getComputedStyle(document.getElementById('menu-pop')).top"),
              js("T.rect('#menu').bottom + 6 + 'px'"));

    // The zoom buttons act without closing the menu.
    js("document.querySelector('[aria-label=\"Zoom in\"]').click();"
       "document.querySelector('[aria-label=\"Zoom out\"]').click()");
    EXPECT_EQ(js("T.shown('menu-pop')"), true);
    js("Array.from(document.querySelectorAll('#menu-pop .mrow')).find((r) =>"
       " r.textContent.startsWith('Find in Page')).click()");
    EXPECT_EQ(js("T.shown('menu-pop') || T.shown('overlay')"), false);
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"cmd","cmd":"zoomIn"})",
                            R"({"t":"cmd","cmd":"zoomOut"})", R"({"t":"overlay","on":false})",
                            R"({"t":"cmd","cmd":"find"})"));

    // Every row reaches its command, panel or sheet.
    for (int i = 0; i < 11; ++i) {
        js("document.getElementById('menu').click();"
           "document.querySelectorAll('#menu-pop button.mrow')[" +
           std::to_string(i) + "].click(); 0");
        h().call("closeAll");
    }
    std::vector<std::string> acts;
    for (const auto& m : h().sent()) {
        if (m.find("overlay") == std::string::npos) {
            acts.push_back(m);
        }
    }
    EXPECT_THAT(
        acts,
        ElementsAre(R"({"t":"cmd","cmd":"newTab"})", R"({"t":"cmd","cmd":"newWindow"})",
                    R"({"t":"cmd","cmd":"privateWindow"})", R"({"t":"panel","name":"history"})",
                    R"({"t":"panel","name":"bookmarks"})", R"({"t":"panel","name":"downloads"})",
                    R"({"t":"cmd","cmd":"find"})", R"({"t":"cmd","cmd":"print"})",
                    R"({"t":"cmd","cmd":"devtools"})", R"({"t":"panel","name":"settings"})",
                    R"({"t":"panel","name":"about"})"));
}

TEST_F(ChromePopover, MenuButtonTogglesTheMenuAndZoomIsReadOnOpening) {
    json state = sample_state();
    state["zoom"] = 0.67;
    render(state);
    js("document.getElementById('menu').click()");
    EXPECT_EQ(js("document.getElementById('zoomval').textContent"), "67%");
    state["zoom"] = 1.1;
    render(state);
    EXPECT_EQ(js("document.getElementById('zoomval').textContent"), "67%");
    js("document.getElementById('menu').click()");
    EXPECT_EQ(js("T.shown('menu-pop')"), false);
    js("document.getElementById('menu').click()");
    EXPECT_EQ(js("document.getElementById('zoomval').textContent"), "110%");
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})",
                            R"({"t":"overlay","on":true})"));
}

TEST_F(ChromePopover, ShieldCardTakesOverFromTheMenu) {
    render(sample_state());
    js("document.getElementById('menu').click()");
    js("document.getElementById('shield').click()");
    EXPECT_EQ(js("T.shown('menu-pop') || T.shown('shield-pop')"), false)
        << "the card waits for its data";
    h().call("panel", {"shield", shield_data()});
    EXPECT_EQ(js("T.shown('shield-pop') && T.shown('overlay')"), true);
    EXPECT_EQ(js("document.querySelector('#shield-pop h2').textContent"), "example.com");
    EXPECT_EQ(
        js("T.texts('#shield-pop .card-line, #shield-pop .card-row > span,"
           " #shield-pop .info strong, #shield-pop .info span')"),
        json({"Shield blocks trackers, ads and cryptominers on every site.", "Shield on this site",
              "Connection is secure", "Encrypted with TLS; HTTPS-Only is protecting this tab.",
              js("(1234).toLocaleString()").get<std::string>() + " protection rules active",
              "Compiled natively into WebKit, zero page slowdown.", "412 MB in use",
              "2 tabs are asleep to save memory."}));
    const json card = js("T.rect('#shield-pop')");
    EXPECT_EQ(card["width"], 320);
    EXPECT_EQ(card["right"], js("T.rect('#shield').right"));
    EXPECT_EQ(js("getComputedStyle(document.getElementById('shield-pop')).top"),
              js("T.rect('#shield').bottom + 6 + 'px'"));

    js("document.querySelector('#shield-pop [role=switch]').click()");
    EXPECT_EQ(
        js("document.querySelector('#shield-pop [role=switch]').getAttribute('aria-checked')"),
        "false");
    js("document.getElementById('shield').click()");
    EXPECT_EQ(js("T.shown('shield-pop') || T.shown('overlay')"), false);
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})",
                            R"({"t":"panel","name":"shield"})", R"({"t":"overlay","on":true})",
                            R"({"t":"shieldSite","on":false})", R"({"t":"overlay","on":false})"));
}

struct ShieldCase {
    const char* name;
    const char* changes;
    std::vector<std::string> expected; // heading, then every line of the card
};

const ShieldCase kShieldCases[] = {
    {"new tab page, one sleeping tab, measuring",
     R"({"host":"","newtab":true,"sec":"internal","memoryMB":0,"sleeping":1})",
     {"Corvane Shield", "Shield blocks trackers, ads and cryptominers on every site.",
      "Corvane page", "Nothing leaves your device.", "1234 protection rules active",
      "Compiled natively into WebKit, zero page slowdown.", "Measuring memory…",
      "1 tab is asleep to save memory."}},
    {"insecure site, shield off in settings",
     R"({"enabled":false,"sec":"insecure","sleeping":0,"host":"<b>plain</b>.example"})",
     {"<b>plain</b>.example", "Shield is turned off in Settings.", "Shield on this site",
      "Connection is not secure", "This site has no HTTPS. Don't enter passwords or card details.",
      "1234 protection rules active", "Compiled natively into WebKit, zero page slowdown.",
      "412 MB in use", "0 tabs are asleep to save memory."}},
    {"local file",
     R"({"sec":"local","memoryMB":null})",
     {"example.com", "Shield blocks trackers, ads and cryptominers on every site.",
      "Shield on this site", "Local or internal page", "Nothing leaves your device.",
      "1234 protection rules active", "Compiled natively into WebKit, zero page slowdown.",
      "Measuring memory…", "2 tabs are asleep to save memory."}},
};

TEST_F(ChromePopover, ShieldCardDescribesTheSite) {
    render(sample_state());
    for (const auto& c : kShieldCases) {
        json data = shield_data();
        data.merge_patch(json::parse(c.changes));
        h().call("panel", {"shield", data});
        json got = js("T.texts('#shield-pop h2, #shield-pop .card-line, #shield-pop .card-row > "
                      "span, #shield-pop .info strong, #shield-pop .info span')");
        // Digit grouping follows the locale; compare the bare digits.
        for (auto& line : got) {
            std::string text = line.get<std::string>();
            if (text.find("protection rules") != std::string::npos) {
                std::string digits;
                for (char ch : text.substr(0, text.find(' '))) {
                    if (ch >= '0' && ch <= '9') {
                        digits += ch;
                    }
                }
                line = digits + text.substr(text.find(' '));
            }
        }
        EXPECT_EQ(got, json(c.expected)) << c.name;
        EXPECT_EQ(js("document.querySelectorAll('#shield-pop b').length"), 0) << c.name;
    }
    // The security button opens the same card.
    h().call("closeAll");
    h().clear_messages();
    js("document.getElementById('sec').click()");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"panel","name":"shield"})"));
}

TEST_F(ChromePopover, HistoryPanelGroupsByDayAndFilters) {
    render(sample_state());
    h().call("openPanel", {"history"});
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"panel","name":"history"})"));
    const std::int64_t now = std::time(nullptr);
    const std::int64_t two_days_ago = now - 2 * 86400;
    json items = json::array({page_item("Morning news", "https://news.example/today", now - 1),
                              page_item("", "https://bare.example/x", now - 2),
                              page_item("Old <i>read</i>", "https://old.example/", two_days_ago)});
    h().call("panel", {"history", {{"items", items}}});
    EXPECT_EQ(js("T.shown('panel') && T.shown('overlay')"), true);
    EXPECT_EQ(js("document.activeElement.placeholder"), "Search history");
    EXPECT_EQ(js("document.querySelector('#panel h2').textContent"), "History");

    std::tm day{};
    const std::time_t old_time = two_days_ago;
    localtime_r(&old_time, &day);
    char weekday[32];
    std::strftime(weekday, sizeof weekday, "%A", &day);
    const json list = js(kReadList);
    ASSERT_EQ(list.size(), 5u) << list.dump();
    EXPECT_EQ(list[0], "# Today");
    EXPECT_EQ(list[1], "Morning news | news.example/today");
    EXPECT_EQ(list[2], "https://bare.example/x | bare.example/x");
    EXPECT_THAT(list[3].get<std::string>(), ::testing::StartsWith("# " + std::string(weekday)));
    EXPECT_THAT(list[3].get<std::string>(), ::testing::HasSubstr(std::to_string(day.tm_mday)));
    EXPECT_EQ(list[4], "Old <i>read</i> | old.example/");
    EXPECT_EQ(js("document.querySelectorAll('#panel i').length"), 0);

    js("T.type('.panel-search', '  NEWS ')");
    EXPECT_EQ(js(kReadList), json({"# Today", "Morning news | news.example/today"}));
    js("T.type('.panel-search', 'bare.example')");
    EXPECT_EQ(js(kReadList), json({"# Today", "https://bare.example/x | bare.example/x"}));
    js("T.type('.panel-search', 'nothing like it')");
    EXPECT_EQ(js(kReadList), json({"empty: No matches."}));

    // A click on a row opens it; Control opens it in a new tab.
    js("T.type('.panel-search', '')");
    js("document.querySelectorAll('#panel .lrow')[0].dispatchEvent(new MouseEvent('click',"
       " {bubbles: true, ctrlKey: true}))");
    EXPECT_EQ(js("T.shown('panel') || T.shown('overlay')"), false);
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})",
                            R"({"t":"openUrl","url":"https://news.example/today","newTab":true})"));
}

TEST_F(ChromePopover, HistoryPanelOffersClearingAndCapsItsLength) {
    render(sample_state());
    const std::int64_t now = std::time(nullptr);
    json items = json::array();
    for (int i = 0; i < 1000; ++i) {
        items.push_back(page_item("Page " + std::to_string(i),
                                  "https://p.example/" + std::to_string(i), now - i));
    }
    h().call("panel", {"history", {{"items", items}}});
    EXPECT_EQ(js("document.querySelectorAll('#panel .list > *').length"), 401);
    js("document.querySelector('#panel .panel-head .text-btn').click()");
    EXPECT_EQ(js("T.shown('panel')"), false);
    h().call("panel", {"history", {{"items", json::array()}}});
    EXPECT_EQ(js(kReadList), json({"empty: Pages you visit show up here."}));
    EXPECT_EQ(js("document.querySelectorAll('#panel .panel-head .text-btn').length"), 0);
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})",
                            R"({"t":"panel","name":"clear"})", R"({"t":"overlay","on":true})"));
}

TEST_F(ChromePopover, BookmarksPanelRemovesAndFilters) {
    render(sample_state());
    json items = json::array({page_item("Docs", "https://docs.example/", 0),
                              page_item("Mail", "https://mail.example/", 0)});
    items[0].erase("last");
    items[1].erase("last");
    items[1]["favicon"] = "data:image/png;base64,AAAA";
    h().call("panel", {"bookmarks", {{"items", items}}});
    EXPECT_EQ(js(kReadList), json({"Docs | docs.example/", "Mail | mail.example/"}));
    EXPECT_EQ(js("document.activeElement.placeholder"), "Search bookmarks");
    EXPECT_TRUE(h().run_until(
        [&] {
            return js("T.icons('#panel .lrow-icon')") == json({"#i-globe", "#i-globe"});
        },
        std::chrono::seconds(5)))
        << "a missing favicon and a broken one both show the globe";
    js("document.querySelectorAll('#panel .lrow-btn')[1].click()");
    EXPECT_EQ(js("T.shown('panel')"), true) << "removing does not open the bookmark";
    EXPECT_EQ(js("document.querySelector('#panel .lrow-btn').title"), "Remove");
    js("T.type('.panel-search', 'zzz')");
    EXPECT_EQ(js(kReadList), json({"empty: No matches."}));
    h().call("panel", {"bookmarks", {{"items", json::array()}}});
    EXPECT_EQ(js(kReadList), json({"empty: Press Ctrl+D to bookmark a page."}));
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"overlay","on":true})",
                                        R"({"t":"removeBookmark","url":"https://mail.example/"})"));
}

TEST_F(ChromePopover, DownloadsPanelShowsStatesAndReveals) {
    render(sample_state());
    js("document.getElementById('downloads').click()");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"panel","name":"downloads"})"));
    const json items = json::parse(R"([
        {"name":"<b>report</b>.pdf","path":"/home/u/Downloads/report.pdf","state":"done",
         "url":"https://files.example/report.pdf"},
        {"name":"big.iso","path":"/home/u/Downloads/big.iso","state":"active",
         "url":"https://files.example/big.iso"},
        {"name":"","path":"","state":"failed","url":"https://files.example/broken"},
        {"name":"photo.jpg","path":"/home/u/Downloads/photo.jpg","state":"done",
         "url":"https://files.example/photo.jpg"}
    ])");
    h().call("panel", {"downloads", {{"items", items}}});
    EXPECT_EQ(js(kReadList),
              json({"<b>report</b>.pdf | Saved to Downloads", "big.iso | Downloading…",
                    "https://files.example/broken | Failed", "photo.jpg | Saved to Downloads"}));
    EXPECT_EQ(js("T.icons('#panel .lrow-icon')"),
              json({"#i-download", "#i-download", "#i-warn", "#i-download"}));
    EXPECT_EQ(js("Array.from(document.querySelectorAll('#panel .lrow')).map((r) => r.title)"),
              json({"/home/u/Downloads/report.pdf", "/home/u/Downloads/big.iso",
                    "https://files.example/broken", "/home/u/Downloads/photo.jpg"}));
    EXPECT_EQ(js("document.querySelector('#panel .lrow-sub.danger').textContent"), "Failed");
    EXPECT_EQ(js("document.querySelectorAll('#panel .panel-search').length"), 0);
    EXPECT_EQ(js("Array.from(document.querySelectorAll('#panel .lrow-btn')).map((b) => b.title)"),
              json({"Show in Files", "Show in Files"}));
    js("document.querySelectorAll('#panel .lrow-btn')[1].click()");
    const json panel = js("T.rect('#panel')");
    EXPECT_EQ(panel["width"], 380);
    EXPECT_EQ(panel["right"], js("T.rect('#menu').right"));
    EXPECT_EQ(js("getComputedStyle(document.getElementById('panel')).top"),
              js("T.rect('#menu').bottom + 6 + 'px'"));
    h().call("panel", {"downloads", {{"items", json::array()}}});
    EXPECT_EQ(js(kReadList), json({"empty: No downloads yet."}));
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"revealDownload","index":3})"));
}

json settings_data() {
    return json::parse(R"({
        "engines":[{"id":"duckduckgo","name":"DuckDuckGo"},{"id":"google","name":"Google"},
                   {"id":"kagi","name":"Kagi"}],
        "settings":{"block_trackers":true,"https_only":true,"max_awake_tabs":6,
                    "restore_session":false,"search_engine":"google","shield_allowlist":[],
                    "sleep_after_mins":10},
        "version":"0.2.0"})");
}

TEST_F(ChromePopover, SettingsSheetSendsTypedValuesAtOnce) {
    render(sample_state());
    h().call("openSheet", {"settings"});
    h().call("panel", {"settings", settings_data()});
    EXPECT_EQ(js("T.shown('sheet-back') && T.shown('overlay')"), true);
    EXPECT_EQ(js("document.querySelector('#sheet h2').textContent"), "Settings");
    EXPECT_EQ(js("T.texts('#sheet h3')"), json({"General", "Privacy & Security", "Performance"}));
    EXPECT_EQ(js("Array.from(document.querySelectorAll('#sheet select')).map((s) => s.value)"),
              json({"google", "10", "6"}));
    EXPECT_EQ(js("Array.from(document.querySelectorAll('#sheet [role=switch]')).map((s) =>"
                 " s.getAttribute('aria-label') + '=' + s.getAttribute('aria-checked'))"),
              json({"Restore session=false", "Shield=true", "HTTPS only=true"}));
    EXPECT_EQ(js("document.querySelector('#sheet .foot-note').textContent"),
              "Corvane 0.2.0 · Settings never leave this computer.");

    const auto pick = [&](int index, const std::string& value) {
        js("(() => { const s = document.querySelectorAll('#sheet select')[" +
           std::to_string(index) + "]; s.value = '" + value +
           "'; s.dispatchEvent(new Event('change', {bubbles: true})); })()");
    };
    pick(0, "kagi");
    pick(1, "0");
    pick(2, "20");
    js("document.querySelector('#sheet [aria-label=Shield]').click();"
       "document.querySelector('#sheet [aria-label=\"Restore session\"]').click();"
       "document.querySelector('#sheet [aria-label=\"HTTPS only\"]').click()");
    EXPECT_EQ(js("document.querySelector('#sheet [aria-label=Shield]').getAttribute("
                 "'aria-checked')"),
              "false");
    js("Array.from(document.querySelectorAll('#sheet .text-btn')).find((b) =>"
       " b.textContent === 'Done').click()");
    EXPECT_EQ(js("T.shown('sheet-back') || T.shown('overlay')"), false);
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"panel","name":"settings"})", R"({"t":"overlay","on":true})",
                            R"({"t":"setting","key":"search_engine","value":"kagi"})",
                            R"({"t":"setting","key":"sleep_after_mins","value":0})",
                            R"({"t":"setting","key":"max_awake_tabs","value":20})",
                            R"({"t":"setting","key":"block_trackers","value":false})",
                            R"({"t":"setting","key":"restore_session","value":true})",
                            R"({"t":"setting","key":"https_only","value":false})",
                            R"({"t":"overlay","on":false})"));
}

TEST_F(ChromePopover, ClearSheetSendsTheChosenKinds) {
    render(sample_state());
    h().call("panel", {"clear", json::object()});
    EXPECT_EQ(js("document.querySelector('#sheet h2').textContent"), "Clear browsing data");
    EXPECT_EQ(js("Array.from(document.querySelectorAll('#sheet [role=switch]')).map((s) =>"
                 " s.getAttribute('aria-checked'))"),
              json({"true", "true"}));
    js("document.querySelectorAll('#sheet [role=switch]').forEach((s) => s.click());"
       "Array.from(document.querySelectorAll('#sheet .text-btn')).find((b) =>"
       " b.textContent === 'Clear').click()");
    EXPECT_EQ(js("T.shown('sheet-back')"), false);
    // Cancel sends nothing but the overlay.
    h().call("panel", {"clear", json::object()});
    js("Array.from(document.querySelectorAll('#sheet .text-btn')).find((b) =>"
       " b.textContent === 'Cancel').click()");
    h().call("panel", {"clear", json::object()});
    js("Array.from(document.querySelectorAll('#sheet .text-btn')).find((b) =>"
       " b.textContent === 'Clear').click()");
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})",
                            R"({"t":"clearData","history":false,"site":false})",
                            R"({"t":"overlay","on":false})", R"({"t":"overlay","on":true})",
                            R"({"t":"overlay","on":false})", R"({"t":"overlay","on":true})",
                            R"({"t":"clearData","history":true,"site":true})",
                            R"({"t":"overlay","on":false})"));
}

TEST_F(ChromePopover, AboutSheetLinksOpenInNewTabs) {
    render(sample_state());
    h().call("panel", {"about", {{"engine", "WebKitGTK (system engine)"}, {"version", "0.2.0"}}});
    EXPECT_EQ(js("document.querySelector('#sheet .logo').getAttribute('src')"),
              "corvane://ui/logo.svg");
    EXPECT_EQ(js("document.querySelector('#sheet .logo').getBoundingClientRect().width"), 72);
    EXPECT_EQ(js("document.querySelector('#sheet h2').textContent"), "Corvane");
    EXPECT_EQ(js("document.querySelector('#sheet .version').textContent"),
              "Version 0.2.0 · WebKitGTK (system engine)");
    EXPECT_EQ(js("document.querySelector('#sheet .links').textContent"),
              "Website · Privacy · Terms · Licenses");
    js("document.querySelectorAll('#sheet .links .text-btn')[1].click()");
    EXPECT_EQ(js("T.shown('sheet-back')"), false);
    const auto sent = h().sent();
    ASSERT_EQ(sent.size(), 3u);
    const json open = json::parse(sent[2]);
    EXPECT_EQ(open["t"], "openUrl");
    EXPECT_EQ(open["newTab"], true);
    EXPECT_THAT(open["url"].get<std::string>(), ::testing::StartsWith("https://"));
}

TEST_F(ChromePopover, PressingTheBackdropClosesButTheSheetDoesNot) {
    render(sample_state());
    h().call("panel", {"clear", json::object()});
    js("T.mouse('#sheet', 'mousedown'); T.mouse('#sheet h2', 'mousedown')");
    EXPECT_EQ(js("T.shown('sheet-back')"), true);
    js("(() => { const b = document.getElementById('sheet-back');"
       "b.dispatchEvent(new MouseEvent('mousedown', {bubbles: true, clientX: 3, clientY: 300}));"
       "})()");
    EXPECT_EQ(js("T.shown('sheet-back') || T.shown('overlay')"), false);
    // The same for a popover over the bare overlay.
    js("document.getElementById('menu').click()");
    js("(() => { const o = document.getElementById('overlay');"
       "o.dispatchEvent(new MouseEvent('mousedown', {bubbles: true, clientX: 3, clientY: 600}));"
       "})()");
    EXPECT_EQ(js("T.shown('menu-pop') || T.shown('overlay')"), false);
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})",
                            R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})"));
}

TEST_F(ChromePopover, APressElsewhereInTheChromeOrEscapeDismissesPopovers) {
    render(sample_state());
    js("document.getElementById('menu').click()");
    js("T.mouse('.tab.active', 'mousedown')");
    EXPECT_EQ(js("T.shown('menu-pop')"), false);
    // The menu button itself toggles: its press must not close what its click then reopens.
    js("document.getElementById('menu').click(); T.click('#menu')");
    EXPECT_EQ(js("T.shown('menu-pop')"), false);
    h().call("openPanel", {"bookmarks"});
    h().call("panel", {"bookmarks", {{"items", json::array()}}});
    EXPECT_EQ(js("T.key('.panel-search', 'Escape')"), true);
    EXPECT_EQ(js("T.shown('panel')"), false);
    h().call("panel", {"about", {{"engine", "WebKitGTK (system engine)"}, {"version", "0.2.0"}}});
    js("T.key(document.body, 'Escape')");
    EXPECT_EQ(js("T.shown('sheet-back')"), false);
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})",
                            R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})",
                            R"({"t":"panel","name":"bookmarks"})", R"({"t":"overlay","on":true})",
                            R"({"t":"overlay","on":false})", R"({"t":"overlay","on":true})",
                            R"({"t":"overlay","on":false})"));
}

TEST_F(ChromePopover, ALateAnswerStillShowsItsPopover) {
    render(sample_state());
    h().call("openPanel", {"history"});
    js("document.getElementById('menu').click()");
    h().call("panel", {"history", {{"items", json::array()}}});
    EXPECT_EQ(js("[T.shown('menu-pop'), T.shown('panel')]"), json({true, true}));
    // closeAll leaves the suggestion list to the address field.
    type_into_omni("exa");
    suggest(sample_rows());
    h().call("closeAll");
    EXPECT_EQ(js("[T.shown('menu-pop'), T.shown('panel'), T.shown('suggest'), T.shown('overlay')]"),
              json({false, false, true, true}));
}

TEST_F(ChromePopover, IgnoresMalformedPanelData) {
    render(sample_state());
    h().call("panel", {"history", {{"items", {nullptr, 5, "x"}}}});
    EXPECT_EQ(js(kReadList), json({"empty: Pages you visit show up here."}));
    h().call("panel", {"settings", json::object()});
    EXPECT_EQ(js("document.querySelectorAll('#sheet select option').length"), 11);
    h().call("panel", {"shield", nullptr});
    EXPECT_EQ(js("document.querySelector('#shield-pop h2').textContent"), "Corvane Shield");
}

} // namespace
} // namespace corvane::test
