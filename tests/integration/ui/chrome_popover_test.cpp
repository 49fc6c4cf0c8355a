// The chrome page's popovers in the browser's own chrome view: the menu, the Shield card, the
// list panels and the sheets, what they show from the core's panel data and what they post.
#include "chrome_view.h"

#include <ctime>

namespace corvane::test {
namespace {

using ChromePopover = ChromeViewTest;

// The open list panel: day headers as "# label", rows as "main | sub".
const std::string kList = R"JS(D.$$('#panel .list > *').map((e) =>
    e.classList.contains('day') ? '# ' + e.textContent
    : e.classList.contains('empty') ? 'empty: ' + e.textContent
    : e.querySelector('.lrow-main').textContent + ' | ' + e.querySelector('.lrow-sub').textContent)
)JS";
constexpr const char* kShut = "[D.shown('menu-pop') || D.shown('shield-pop') || D.shown('panel')"
                              " || D.shown('sheet-back') || D.shown('overlay'), D.sent]";
// A popover the user dismissed gives the keyboard back to the page.
const std::string kOffBack = kOff + R"(,{"t":"focusPage"})";
const std::string kTwice = "[false,[" + kOn + "," + kOffBack + "," + kOn + "," + kOffBack + "]]";

std::string panel(const std::string& name, const json& data) {
    return json::array({"panel", name, data}).dump();
}

json page(const std::string& title, const std::string& url, std::int64_t last) {
    return {{"display", url.substr(8)}, {"last", last}, {"title", title}, {"url", url}};
}

// Clicks the first button in scope whose text starts with the label.
std::string press(const std::string& scope, const std::string& label) {
    return "D.$$('" + scope + "').find((b) => b.textContent.startsWith(" + json(label).dump() +
           ")).click();";
}

// The card's texts, but for its rule count and the engine line.
constexpr const char* kCard = "D.texts('#shield-pop :is(h2, .card-line, .card-row > span, .info"
                              " strong, .info span)').filter((t) => !/protection rules|Compiled"
                              " natively/.test(t)).join(' / ')";

// The settings sheet's two number lists: the value shown and every option.
constexpr const char* kNumbers = "D.$$('#sheet select').slice(1).map((s) => [s.value,"
                                 " [...s.options].map((o) => o.text).join()])";

TEST_F(ChromePopover, MenuCardPanelsAndSheetsShowTheirDataAndPost) {
    const std::int64_t now = std::time(nullptr);
    json many = json::array();
    for (int i = 0; i < 450; ++i) {
        many.push_back({{"name", "f" + std::to_string(i)}, {"path", "/d/f"}, {"state", "done"}});
    }
    const std::string downloads = panel("downloads", {{"items", many}});
    const json history = {{"items",
                           {page("Morning news", "https://news.example/today", now - 1),
                            page("Old <i>read</i>", "https://old.example/", now - 2 * 86400)}}};
    // clang-format off
    run({
        // The zoom shown is read when the menu opens, and its buttons leave the menu open.
        {R"(["render",{"zoom":1.25}])", "D.$('#menu').click()", "", ""},
        {R"(["render",{"zoom":1.1}])",
         "D.$('[aria-label=\"Zoom in\"]').click(); D.$('[aria-label=\"Zoom out\"]').click()",
         "[D.shown('menu-pop'), D.$('#zoomval').textContent, D.sent]",
         "[true,\"125%\",[" + kOn + R"(,{"t":"cmd","cmd":"zoomIn"},{"t":"cmd","cmd":"zoomOut"}]])"},
        // The menu button toggles it; each row closes it and runs its command.
        {"", "D.$('#menu').click()", kShut, "[false,[" + kOffBack + "]]"},
        {"", "D.$('#menu').click()", "D.$('#zoomval').textContent", "\"110%\""},
        {R"(["closeAll"])", "D.sent = []; for (const label of ['New Tab', 'New Window',"
         " 'New Private Window', 'History', 'Bookmarks', 'Downloads', 'Find in Page', 'Print',"
         " 'Developer Tools', 'Settings', 'About Corvane']) { D.$('#menu').click();"
         " D.$$('#menu-pop .mrow').find((b) => b.textContent.startsWith(label)).click(); }",
         "[D.shown('menu-pop') || D.shown('overlay'), D.sent.filter((m) => m.t !== 'overlay'),"
         " D.sent.length]",
         R"([false,[{"t":"focusPage"},{"t":"cmd","cmd":"newTab"},{"t":"focusPage"},
             {"t":"cmd","cmd":"newWindow"},{"t":"focusPage"},{"t":"cmd","cmd":"privateWindow"},
             {"t":"panel","name":"history"},{"t":"panel","name":"bookmarks"},
             {"t":"panel","name":"downloads"},{"t":"focusPage"},{"t":"cmd","cmd":"find"},
             {"t":"focusPage"},{"t":"cmd","cmd":"print"},{"t":"focusPage"},
             {"t":"cmd","cmd":"devtools"},{"t":"panel","name":"settings"},
             {"t":"panel","name":"about"}],39])"},
        // The Shield card waits for its data and takes over from the menu. For an insecure site
        // with Shield turned off, markup as text (the site's own card: tests/integration/commands);
        // its switch switches the site, the shield button closes it, the security button opens it.
        {R"(["closeAll"])", "D.sent = []; D.$('#menu').click(); D.$('#shield').click()", kShut,
         "[false,[" + kOn + "," + kOff + R"(,{"t":"panel","name":"shield"}]])"},
        {R"(["panel","shield",{"enabled":false,"host":"<b>a</b>.x","memoryMB":412,"rules":1234,
            "sec":"insecure","siteOn":true,"sleeping":0}])", "", kCard,
         R"("<b>a</b>.x / Shield is turned off in Settings. / Shield on this site / Connection is )"
         R"(not secure / This site has no HTTPS. Don't enter passwords or card details. / 412 MB )"
         R"(in use / 0 tabs are asleep to save memory.")"},
        // An https page whose certificate the engine refused.
        {R"(["panel","shield",{"certificateRefused":true,"enabled":false,"host":"a.x",
            "memoryMB":412,"rules":1234,"sec":"insecure","siteOn":true,"sleeping":0}])", "", kCard,
         R"("a.x / Shield is turned off in Settings. / Shield on this site / Connection is not )"
         R"(secure / This site's certificate was not accepted. Don't enter passwords or card )"
         R"(details. / 412 MB in use / 0 tabs are asleep to save memory.")"},
        {"", "D.$('#shield-pop [role=switch]').click(); D.$('#shield').click();"
         " D.$('#sec').click()", kShut, "[false,[" + kOn +
         R"(,{"t":"shieldSite","on":false},)" + kOffBack + R"(,{"t":"panel","name":"shield"}]])"},
        // History groups by day, filters and opens a row, in a new tab with Control.
        {R"(["openPanel","history"])", "", "D.sent", R"([{"t":"panel","name":"history"}])"},
        {panel("history", history), "", kList + ".map((t) => /^# (?!Today)/.test(t) ? 'older'"
         " : t).concat(document.activeElement.placeholder)",
         R"(["# Today","Morning news | news.example/today","older","Old <i>read</i> | old.example/",
             "Search history"])"},
        {"", "D.type('.panel-search', '  NEWS ')", kList,
         R"(["# Today","Morning news | news.example/today"])"},
        {"", "D.type('.panel-search', 'nothing like it')", kList, R"(["empty: No matches."])"},
        {"", "D.type('.panel-search', ''); D.mouse(D.$('#panel .lrow'), 'click', {ctrlKey: true})",
         kShut, "[false,[" + kOn + "," + kOff +
         R"(,{"t":"openUrl","url":"https://news.example/today","newTab":true}]])"},
        // A history offers clearing.
        {panel("history", history), "D.$('#panel .panel-head .text-btn').click()", kShut,
         "[false,[" + kOn + "," + kOff + R"(,{"t":"panel","name":"clear"}]])"},
        // Bookmarks (drawn as history is): removing one does not open it.
        {panel("bookmarks", {{"items", {page("Docs", "https://docs.example/", 0),
                                        page("Mail", "https://mail.example/", 0)}}}),
         "D.$$('#panel .lrow-btn')[1].click()", "[D.shown('panel'), D.sent]",
         R"([true,[)" + kOn + R"(,{"t":"removeBookmark","url":"https://mail.example/"}]])"},
        // Downloads by state; only finished ones can be shown in the file manager.
        {R"(["panel","downloads",{"items":[{"name":"<b>report</b>.pdf","state":"done",
            "path":"/d/r.pdf"},{"name":"big.iso","path":"/d/big.iso","state":"active"},{"name":"",
            "path":"","state":"failed","url":"https://files.example/broken"},{"state":"done",
            "name":"photo.jpg","path":"/d/p.jpg"}]}])", "D.$$('#panel .lrow-btn')[1].click()",
         kList + ".concat(D.sent)", R"(["<b>report</b>.pdf | Saved to Downloads",
             "big.iso | Downloading…", "https://files.example/broken | Failed",
             "photo.jpg | Saved to Downloads", {"t":"revealDownload","index":3}])"},
        // Downloads are never cut short, however many there are.
        {downloads, "D.$$('#panel .lrow-btn').pop().click()",
         "[D.$$('#panel .lrow').length, D.sent]", R"([450,[{"t":"revealDownload","index":449}]])"},
        // Settings, over the panel it closes: drawn from the core's data; each change is sent at
        // once, typed.
        {R"(["openSheet","settings"])", "", "", ""},
        {R"(["panel","settings",{"engines":[{"id":"google","name":"Google"},{"id":"kagi",
            "name":"Kagi"}],"settings":{"block_trackers":true,"https_only":true,"max_awake_tabs":6,
            "restore_session":false,"search_engine":"google","sleep_after_mins":10}}])", "",
         "D.$$('#sheet select').map((s) => s.value).concat(D.$$('#sheet [role=switch]').map((s) =>"
         " s.getAttribute('aria-label') + '=' + s.getAttribute('aria-checked')))",
         R"(["google","10","6","Restore session=false","Shield=true","HTTPS only=true"])"},
        {"", "[['kagi', 0], ['0', 1]].forEach(([value, i]) => {"
             " const s = D.$$('#sheet select')[i]; s.value = value;"
             " s.dispatchEvent(new Event('change', {bubbles: true})); });"
             "['Shield', 'Restore session', 'HTTPS only'].forEach((label) =>"
             " D.$(`#sheet [aria-label=\"${label}\"]`).click());" +
             press("#sheet .text-btn", "Done"), kShut,
         "[false,[" + kOff + R"(,{"t":"panel","name":"settings"},)" + kOn +
         R"(,{"t":"setting","key":"search_engine","value":"kagi"},
             {"t":"setting","key":"sleep_after_mins","value":0},
             {"t":"setting","key":"block_trackers","value":false},
             {"t":"setting","key":"restore_session","value":true},
             {"t":"setting","key":"https_only","value":false},)" + kOffBack + "]]"},
        // Clearing data: both kinds chosen at first; Cancel sends nothing.
        {R"(["panel","clear",{}])", "D.$$('#sheet [role=switch]').forEach((s) => s.click());" +
             press("#sheet .text-btn", "Clear"), "", ""},
        {R"(["panel","clear",{}])", press("#sheet .text-btn", "Cancel"), "", ""},
        {R"(["panel","clear",{}])", press("#sheet .text-btn", "Clear"), kShut,
         "[false,[" + kOn + R"(,{"t":"clearData","history":false,"site":false},)" + kOffBack +
         "," + kOn + "," + kOffBack + "," + kOn +
         R"(,{"t":"clearData","history":true,"site":true},)" + kOffBack + "]]"},
        // About: the logo served under the page's policy.
        {R"(["panel","about",{"engine":"WebKitGTK","version":"0.2.0"}])", "",
         "D.$('#sheet .logo').complete && D.$('#sheet .logo').naturalWidth > 0", "true"},
        // A press on the sheet keeps it; on its backdrop, on the overlay, elsewhere in the
        // chrome or Escape closes what is open. The menu button's own press does not close what
        // its click then reopens.
        {R"(["panel","clear",{}])", "D.mouse('#sheet h2', 'mousedown')", "D.shown('sheet-back')",
         "true"},
        {"", "D.mouse('#sheet-back', 'mousedown', {clientX: 3, clientY: 300});"
             " D.$('#menu').click(); D.mouse('#overlay', 'mousedown', {clientX: 3, clientY: 600})",
         kShut, kTwice},
        {"", "D.$('#menu').click(); D.mouse('.tab.active', 'mousedown'); D.$('#menu').click();"
             "['mousedown', 'mouseup', 'click'].forEach((t) => D.mouse('#menu', t))",
         kShut, kTwice},
        {R"(["panel","bookmarks",{"items":[]}])", "D.key('.panel-search', 'Escape')", "", ""},
        {R"(["panel","about",{"engine":"WebKitGTK","version":"0.2.0"}])",
         "D.key(document.body, 'Escape')", kShut, kTwice},
        // Closing all leaves the suggestions.
        {R"(["type","exa",null])", "", "", ""},
        {R"(["closeAll"])", "", "[D.shown('suggest'), D.shown('overlay')]", "[true,true]"},
        // Malformed panel data draws the empty or default popover.
        {R"(["panel","history",{"items":[null,5,"x"]}])", "", kList,
         R"(["empty: Pages you visit show up here."])"},
        {R"(["panel","settings",{}])", "", "D.shown('sheet-back')", "true"},
        {R"(["panel","shield",null])", "", "D.$('#shield-pop h2').textContent",
         "\"Corvane Shield\""},
        // Numbers in force that the lists lack (a hand-edited file) show as they are, in order.
        {R"(["panel","settings",{"settings":{"max_awake_tabs":3,"sleep_after_mins":15}}])", "",
         kNumbers, R"([["15","2 minutes,5 minutes,10 minutes,15 minutes,30 minutes,1 hour,Never"],
             ["3","2,3,4,6,10,20"]])"},
        {R"(["panel","settings",{"settings":{"max_awake_tabs":1,"sleep_after_mins":120}}])", "",
         kNumbers, R"([["120","2 minutes,5 minutes,10 minutes,30 minutes,1 hour,2 hours,Never"],
             ["1","1,2,4,6,10,20"]])"},
    });
    // clang-format on
}

} // namespace
} // namespace corvane::test
