// The chrome page's shell in the browser's own chrome view: what it draws from the state the core
// pushes, and the exact messages it posts for the user's gestures.
#include "chrome_view.h"

namespace corvane::test {
namespace {

using ChromeShell = ChromeViewTest;

// The field's value, selection and whether it has the keyboard.
constexpr const char* kField = "[D.$('#omni-input').value, D.$('#omni-input').selectionStart,"
                               " D.$('#omni-input').selectionEnd, document.activeElement.id]";
constexpr const char* kRows = "[D.shown('suggest'), D.shown('overlay'), D.sent]";
const std::string kOnOff = "[false,false,[" + kOn + "," + kOff;
constexpr const char* kToolbar =
    "[D.$('#back').disabled, D.$('#fwd').disabled, D.icons('#reload')[0], D.$('#reload').title,"
    " D.$('#omni').classList.contains('loading'), D.shown('progress'), D.icons('#shield')[0],"
    " D.$('#shield').className, D.shown('dl-dot'), D.$('body').classList.contains('private'),"
    " D.shown('private-badge'), D.icons('#sec')[0], D.$('#sec').className,"
    " D.$('#sec .sec-text').textContent, D.$('#star').className]";
constexpr const char* kPng = "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAA"
                             "ADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==";

// Presses tab `id`, moves the pointer to `x` in four steps and releases it there.
std::string drag_tab(int id, const std::string& x) {
    const std::string tab = "'.tab[data-id=\"" + std::to_string(id) + "\"]'";
    return "{ const start = D.rect(" + tab + ").x + D.rect(" + tab + ").width / 2, end = " + x +
           "; D.pointer('pointerdown', " + tab + "); for (let i = 1; i <= 4; i++) D.pointer(" +
           "'pointermove', document.body, start + (end - start) * i / 4);" +
           " D.pointer('pointerup', document.body, end); }";
}

TEST_F(ChromeShell, DrawsThePushedStateAndSendsWhatTheUserDoes) {
    // clang-format off
    run({
        // The page's own script and style sheet load under its policy; inline script does not.
        {"", "const s = document.createElement('script'); s.textContent = 'window.__inline = 1';"
             "document.body.appendChild(s)",
         "[window.__inline === undefined, D.refused.length, D.$('#strip').offsetHeight]",
         "[true,1,40]"},
        // Each tab as "class | tooltip | title | flares | icon": a title with markup as text, a
        // site icon fetched without a referrer, a broken one replaced by the globe once it
        // fails, a spinner for a loading tab.
        {R"(["render",{"tabs":[{"id":3,"title":"<b>x</b>","url":"https://a.example/",
            "host":"a.example","favicon":")" + std::string(kPng) + R"("},{"id":7,
            "title":"Example Domain","url":"https://www.example.com/","host":"example.com",
            "favicon":"data:image/png;base64,AAAA"},{"id":9,"title":"","url":"corvane://newtab/",
            "host":"","newtab":true},{"id":11,"title":"","url":"https://b.example/",
            "host":"b.example","sleeping":true,"loading":true}]}])", "D.refused = []",
         "D.$$('#tabs > .tab').map((e) => [e.className, e.title, e.querySelector('.tab-title')"
         ".textContent, e.querySelectorAll('.flare').length, e.querySelector('.tab-icon use')"
         "?.getAttribute('href') || e.querySelector('img')?.referrerPolicy || e.querySelector("
         "'.tab-icon').firstChild.className].join(' | '))",
         R"(["tab | <b>x</b> | <b>x</b> | 0 | no-referrer",
             "tab active | Example Domain | Example Domain | 2 | #i-globe",
             "tab after-active | corvane://newtab/ | New Tab | 0 | #i-feather",
             "tab sleeping | https://b.example/ | b.example | 0 | spinner"])"},
        // A local file without a title is named by its file name, as a page by its host.
        {R"(["render",{"tabs":[{"id":7,"title":"","host":"",
            "url":"file:///home/u/My%20Notes.html?x#y"},{"id":9,"title":"","host":"",
            "url":"file:///"}]}])", "", "D.texts('.tab-title')", R"(["My Notes.html","New Tab"])"},
        // The toolbar for every flag set; there the reload button stops and back does nothing.
        {R"(["render",{"canBack":false,"canForward":true,"loading":true,"shieldActive":false,
            "downloadsUnseen":true,"private":true,"sec":"insecure","bookmarked":true}])",
         "D.$('#reload').click(); D.$('#back').click()", "[" + std::string(kToolbar) + ", D.sent]",
         R"([[true,false,"#i-stop","Stop",true,true,"#i-shield-off","tool",true,true,true,"#i-warn",
             "insecure","Not Secure","on"],[{"t":"stop"}]])"},
        // What the buttons, tabs and bars send.
        {R"(["render",{"canForward":true}])",
         "['back', 'fwd', 'reload', 'newtab', 'star'].forEach((id) => D.$('#' + id).click())",
         "D.sent",
         R"([{"t":"back"},{"t":"forward"},{"t":"reload"},{"t":"newTab"},{"t":"toggleBookmark"}])"},
        // Tab 3's close button neither selects nor drags it; a press selects; a middle click
        // closes (its press cancelled), a right click does nothing.
        {R"(["render",{}])",
         "const close = '.tab[data-id=\"3\"] .tab-close'; D.pointer('pointerdown', close);"
         "['mousedown', 'mouseup', 'click'].forEach((t) => D.mouse(close, t));"
         "D.pointer('pointerup', close); for (const id of [3, 7]) ['pointerdown', 'pointerup']"
         ".forEach((t) => D.pointer(t, `.tab[data-id=\"${id}\"]`));"
         "window.__middle = D.mouse('.tab[data-id=\"9\"]', 'mousedown', {button: 1});"
         "D.mouse('.tab[data-id=\"9\"]', 'auxclick', {button: 1});"
         "D.mouse('.tab[data-id=\"9\"]', 'auxclick', {button: 2})",
         "[__middle, D.sent]",
         R"([true,[{"t":"closeTab","id":3},{"t":"selectTab","id":3},{"t":"closeTab","id":9}]])"},
        // Under 6 px is a press; before the first tab, back onto its own place (past the last
        // one: the real drag below).
        {"", drag_tab(3, "start + 5") + drag_tab(9, "D.rect('.tab[data-id=\"3\"]').left + 2") +
             drag_tab(7, "start"),
         "[D.$$('.tab.dragging').length, D.$('.tab[data-id=\"7\"]').style.transform, D.sent]",
         R"([0,"",[{"t":"selectTab","id":3},{"t":"selectTab","id":9},
             {"t":"moveTab","id":9,"to":0}]])"},
        // The held tab follows the pointer, also across the render that answers its selection.
        {"", "D.pointer('pointerdown', '.tab'); D.pointer('pointermove', document.body,"
             " D.rect('.tab').x + D.rect('.tab').width / 2 + 30)", "", ""},
        {R"(["render",{"active":3}])", "window.__held = [D.$('.tab').className,"
         " D.$('.tab').style.transform]; const end = D.rect('.tab[data-id=\"9\"]').right - 2;"
         "D.pointer('pointermove', document.body, end); D.pointer('pointerup', document.body, end)",
         "[__held, D.sent]",
         R"J([["tab active dragging","translateX(30px)"],
             [{"t":"selectTab","id":3},{"t":"moveTab","id":3,"to":2}]])J"},
        // Empty parts of the bars drag and zoom the window; buttons, tabs, the field and other
        // mouse buttons do not, and only fields keep their context menu.
        {R"(["render",{}])",
         "[['.strip-fill'], ['.strip-fill', {detail: 2}], ['#toolbar'], ['#omni-wrap', {detail:"
         " 2}], ['#strip'], ['#back'], ['#newtab'], ['.tab.active'], ['.tab.active', {detail: 2}],"
         " ['#omni'], ['.strip-fill', {button: 2}], ['.tab.active .tab-title', {detail: 2}]]"
         ".forEach(([s, o]) => D.mouse(s, 'mousedown', o)); D.mouse('.tab.active', 'dblclick')",
         "[['.strip-fill', '.tab', '#omni-input', '#find-input']"
         ".map((s) => D.mouse(s, 'contextmenu')), D.sent]",
         R"([[true,true,false,false],[{"t":"drag"},{"t":"zoomWindow"},{"t":"drag"},
             {"t":"zoomWindow"},{"t":"drag"}]])"},
        // The find bar: Return and Shift+Return search on; Escape closes it.
        {R"(["openFind"])", "D.type('#find-input', 'needle \"x\"')", "", ""},
        {"", "D.key('#find-input', 'Enter'); D.key('#find-input', 'Enter', {shiftKey: true});"
             "window.__esc = D.key('#find-input', 'Escape')",
         "[__esc, D.shown('findbar'), D.sent]",
         R"([true,false,[{"t":"findbar","open":true},{"t":"find","q":"needle \"x\"","back":false,
             "fresh":true},{"t":"find","q":"needle \"x\"","back":false,"fresh":false},{"t":"find",
             "q":"needle \"x\"","back":true,"fresh":false},{"t":"findbar","open":false}]])"},
        // The address field: focus shows and selects the address; a render leaves the text
        // being edited alone.
        {R"(["focus"])", "", std::string(kField) + ".concat(D.$('#omni').className,"
                             " getComputedStyle(D.$('#omni-display')).visibility)",
         R"(["https://www.example.com/",0,24,"omni-input","focused","hidden"])"},
        {"", "D.type('#omni-input', 'half typed')", "", ""},
        {R"(["render",{}])", "", "[D.$('#omni-input').value, D.sent]",
         R"(["half typed",[{"t":"suggest","q":"half typed","complete":true}]])"},
        // Typing asks for rows (deleting without completion, blanks not at all); Return
        // navigates and leaves the field, which shows the page's address again.
        {"", "D.type('#omni-input', 'ex'); D.type('#omni-input', 'e', 'deleteContentBackward');"
             "D.type('#omni-input', '   '); D.type('#omni-input', 'say \"hi\" \\\\ ü');"
             "window.__enter = D.key('#omni-input', 'Enter')",
         "[__enter, D.sent]",
         R"([true,[{"t":"suggest","q":"ex","complete":true},
             {"t":"suggest","q":"e","complete":false},
             {"t":"suggest","q":"say \"hi\" \\ ü","complete":true},
             {"t":"navigate","text":"say \"hi\" \\ ü","newTab":false}]])"},
        {"", "", "[document.activeElement.id, D.$('#omni').className, D.$('#omni-input').value]",
         R"(["","","https://www.example.com/"])"},
        // The rows show their markup as text.
        {R"(["type","exa",null])", "",
         R"JS(D.$$('#suggest .srow').map((r) => ['main', 'sub', 'kind'].map((k) =>
             r.querySelector('.srow-' + k)?.textContent ?? '').concat(r.querySelector('use')
             .getAttribute('href'), r.getAttribute('aria-selected'))
             .join(' | ')).concat(D.$('#omni').className, [D.sent]))JS",
         R"(["example.com |  |  | #i-globe | true", "exa |  | DuckDuckGo | #i-search | false",
             "Example <b>page</b> | example.com/page | History | #i-clock | false",
             "Exactly | exactly.org | Bookmark | #i-star | false", "focused edited suggesting", [)" +
             kOn + "]]"},
        // The arrows walk the rows, wrapping; Control+Return opens the highlighted row in a tab.
        {"", "window.__at = []; for (const k of [...Array(4).fill('ArrowDown'), 'ArrowUp']) {"
             " D.key('#omni-input', k); __at.push([D.$$('.srow').indexOf(D.$('.srow.sel')),"
             " D.$('#omni-input').value]); } D.key('#omni-input', 'Enter', {ctrlKey: true})",
         "[__at, D.shown('suggest'), D.sent]",
         R"([[[1,"exa"],[2,"https://www.example.com/page"],[3,"https://exactly.org/"],
             [0,"https://www.example.com/"],[3,"https://exactly.org/"]],false,
             [{"t":"openUrl","url":"https://exactly.org/","newTab":true},)" + kOff + "]]"},
        // Typing on before the next answer: Return goes with the text, not a stale row.
        {R"(["type","exa",null])",
         "D.type('#omni-input', 'exa news'); D.key('#omni-input', 'Enter')", "D.sent",
         "[" + kOn + R"(,{"t":"suggest","q":"exa news","complete":true},
             {"t":"navigate","text":"exa news","newTab":false},)" + kOff + "]"},
        // An answer to an earlier text that comes after later keys is dropped: Return goes
        // with the text; the answer to the text itself shows.
        {R"(["type","exa",null])", "D.type('#omni-input', 'exa news')", "", ""},
        {R"(["suggest",null,null,"exa"])", "",
         "[D.$('#omni-input').value, D.$$('.srow.sel').length]", R"(["exa news",0])"},
        {"", "D.key('#omni-input', 'Enter')", "D.sent",
         "[" + kOn + R"(,{"t":"suggest","q":"exa news","complete":true},
             {"t":"navigate","text":"exa news","newTab":false},)" + kOff + "]"},
        {R"(["type","exa"])", "", "", ""},
        {R"(["suggest",null,null,"exa"])", "", "D.$$('.srow.sel').length", "1"},
        {"", "D.key('#omni-input', 'Escape')", "D.shown('suggest')", "false"},
        // A highlighted row without an address navigates to the field's text.
        {R"(["type","exa","example.com"])",
         "D.key('#omni-input', 'ArrowDown'); D.key('#omni-input', 'Enter')", "D.sent",
         "[" + kOn + R"(,{"t":"navigate","text":"exa","newTab":false},)" + kOff + "]"},
        // Inline completion adds only a continuation of the typed text, and only to it.
        {R"(["type","ex","EXample.com"])", "", kField, R"(["example.com",2,11,"omni-input"])"},
        {R"(["type","ex","other.com"])", "", "D.$('#omni-input').value", "\"ex\""},
        {R"(["suggest","example.com"])", "D.$('#omni-input').value = 'exb'",
         "D.$('#omni-input').value", "\"exb\""},
        // Escape first drops the rows, then leaves the field.
        {R"(["type","ex","example.com"])", "window.__esc = D.key('#omni-input', 'Escape')",
         "[__esc, D.$('#omni-input').value, document.activeElement.id, D.shown('suggest')]",
         R"([true,"ex","omni-input",false])"},
        {"", "D.key('#omni-input', 'Escape')", "[D.$('#omni-input').value, D.sent]",
         R"(["https://www.example.com/",[)" + kOff + R"(,{"t":"focusPage"}]])"},
        // A press on a row opens it without taking the keyboard from the field, then leaves
        // the field.
        {R"(["type","exa",null])",
         "window.__kept = D.mouse('#suggest .srow:nth-child(4)', 'mousedown')",
         "[__kept, document.activeElement.id, D.sent]", R"([true,"",[)" + kOn +
             R"(,{"t":"openUrl","url":"https://exactly.org/","newTab":false},)" + kOff + "]]"},
        // Rows that come after the field was left, or none, show nothing.
        {R"(["suggest","example.com"])", "", kRows, "[false,false,[]]"},
        {R"(["type","zz",null,[]])", "", kRows, "[false,false,[]]"},
        // Leaving the field, pressing the overlay or narrowing the window closes the rows. The
        // core grows the chrome view over the page while they show: only a width change counts.
        {R"(["type","exa",null])", "D.$('#omni-input').blur()", kRows, kOnOff + "]]"},
        {R"(["type","exa",null])", "D.mouse('#overlay', 'mousedown')", kRows,
         kOnOff + R"(,{"t":"focusPage"}]])"},
        {R"(["type","exa",null])", "", "", ""},
        {R"(["size",1100,400])", "", "D.shown('suggest')", "true"},
        {R"(["size",700,400])", "", kRows, kOnOff + "]]"},
        // The keyboard going to the field dismisses an open menu, as a press would.
        {"", "D.$('#omni-input').blur(); D.$('#menu').click()", "D.shown('menu-pop')", "true"},
        {R"(["focus"])", "", "[D.shown('menu-pop'), D.sent]", "[false,[" + kOn + "," + kOff + "]]"},
        // Line breaks in pasted text go, with the blanks around them; the paste replaces the
        // selected address as typing does. The core gets the breaks, to settle them itself.
        {"", "const d = new DataTransfer(); d.setData('text/plain', 'https://exa\\r\\n  mple.com/a'"
             " + ' \\n b'); window.__pasted = D.fire('#omni-input', new ClipboardEvent('paste',"
             " {clipboardData: d, bubbles: true, cancelable: true}))",
         "[__pasted, D.$('#omni-input').value, D.sent]",
         R"([true,"https://example.com/ab",[{"t":"suggest","q":"https://exa\r\n  mple.com/a \n b","complete":true}]])"},
    });
    // clang-format on
}

// The field and its rows read as what loads: a long host keeps the end that names its owner and
// stays clear of the security label (and the Shield card's heading keeps it too); a URL shows its
// invisible characters escaped once the core's rows say it is a URL; pasted line breaks become
// spaces in a search; a text too long to send is refused with the core's toast.
TEST_F(ChromeShell, TheFieldShowsWhatLoads) {
    const std::string host = "secure-login.yourbank.com." + std::string(60, 'a') + "." +
                             std::string(60, 'b') + "." + std::string(40, 'c') + ".evil.test";
    const std::string state = json({{"host", host},
                                    {"url", "http://" + host + "/"},
                                    {"sec", "insecure"},
                                    {"shieldActive", false}})
                                  .dump();
    const std::string host_shown =
        "{const h = D.$('#omni-host'), t = h.textContent; [t.startsWith('\\u2026'),"
        " t.endsWith('c.evil.test'), h.scrollWidth <= h.clientWidth, D.rect('#omni-host').left >="
        " D.rect('#sec').right, D.rect('#omni-host').right <= D.rect('#star').left,"
        " D.$('#sec .sec-text').textContent]}";
    const std::string fits = R"([true,true,true,true,true,"Not Secure"])";
    const std::string card =
        json::array({"panel",
                     "shield",
                     {{"host", host}, {"enabled", true}, {"siteOn", true}, {"sec", "insecure"}}})
            .dump();
    // A plain search row and a direct-URL row as the core builds them for a text.
    const auto search = [](const std::string& text) {
        return json::array({{{"engine", "DuckDuckGo"},
                             {"kind", "search"},
                             {"text", text},
                             {"title", text}}})
            .dump();
    };
    const auto direct = [](const std::string& title, const std::string& url) {
        return json::array({{{"display", ""}, {"kind", "url"}, {"title", title}, {"url", url}}})
            .dump();
    };
    const std::string paste = "{const d = new DataTransfer(); d.setData('text/plain', "
                              "'hello \\r\\nworld'); D.fire('#omni-input', new ClipboardEvent("
                              "'paste', {clipboardData: d, bubbles: true, cancelable: true}))}";
    const std::string bidi = "a.test/page/\\u202Egnp.exe";
    const std::string escaped = "a.test/page/%E2%80%AEgnp.exe";
    const std::string family = "\U0001F468\u200D\U0001F469";
    // clang-format off
    run({
        {R"(["render",)" + state + "]", "", host_shown, fits},
        {R"(["size",640,400])", "", host_shown, fits},
        {R"(["size",1100,720])", "", "", ""},
        {card, "", "{const h = D.$('#shield-pop h2'), t = h.textContent; [t.startsWith('\\u2026'),"
                   " t.endsWith('c.evil.test'), h.scrollWidth <= h.clientWidth]}", "[true,true,true]"},
        {"", "D.key('#shield-pop', 'Escape')", "", ""},
        // A URL's right-to-left override is shown escaped, in the row and then in the field; a
        // search keeps its joiners, and an answer to another text changes nothing.
        {R"(["type",")" + bidi + R"(",null,)" + direct(escaped, "https://" + escaped) + "]", "",
         "[D.$('#omni-input').value, D.texts('#suggest .srow-main')]",
         json::array({escaped, {escaped}}).dump()},
        {json::array({"type", family, nullptr, json::parse(search(family))}).dump(), "",
         "D.$('#omni-input').value", json(family).dump()},
        {R"(["type",")" + bidi + R"(",null,)" + direct("a.test/other", "https://a.test/other") + "]",
         "", "D.$('#omni-input').value === 'a.test/page/\\u202Egnp.exe'", "true"},
        // Pasted line breaks: the core is sent them; a search answer turns each into a space,
        // and Return searches for what the field then reads.
        {R"(["focus"])", "D.sent = []; D.$('#omni-input').value = ''; " + paste,
         "[D.$('#omni-input').value, D.sent]",
         R"(["helloworld",[{"t":"suggest","q":"hello \r\nworld","complete":true}]])"},
        {R"(["suggest",null,)" + search("hello world") + "]", "D.key('#omni-input', 'Enter')",
         "D.sent.filter((m) => m.t === 'navigate')",
         R"([{"t":"navigate","text":"hello world","newTab":false}])"},
        // Return before the answer sends the breaks, for the core to settle.
        {R"(["focus"])", "D.$('#omni-input').value = ''; " + paste + "; D.sent = [];"
                         " D.key('#omni-input', 'Enter')",
         "D.sent.filter((m) => m.t === 'navigate')",
         R"([{"t":"navigate","text":"hello \r\nworld","newTab":false}])"},
        // A long address goes whole; one beyond what a message carries is refused on the spot.
        {R"(["focus"])", "D.type('#omni-input', 'https://bank.test/?t=' + 'x'.repeat(600))",
         "D.sent.filter((m) => m.t === 'suggest').map((m) => m.q.length)", "[621]"},
        {R"(["focus"])", "D.type('#omni-input', 'https://bank.test/?t=' + 'x'.repeat(200000));"
                         " D.key('#omni-input', 'Enter')",
         "[D.sent.filter((m) => m.t !== 'overlay'), D.shown('toast'), D.$('#toast').textContent]",
         R"([[],true,"Blocked: too long"])"},
    });
    // clang-format on
}

// Forty tabs in a 1280-pixel window, the 35th active: each tab named is wholly inside the strip
// and is what a press at its middle reaches (the new-tab button never covers it).
TEST_F(ChromeShell, EveryTabOfAFullStripCanBeReached) {
    json tabs = json::array();
    for (int id = 1; id <= 40; ++id) {
        const std::string host = "t" + std::to_string(id) + ".example";
        tabs.push_back({{"host", host},
                        {"id", id},
                        {"title", "Tab " + std::to_string(id)},
                        {"url", "https://" + host + "/"}});
    }
    const auto many = [&](int active) {
        return json::array({"render", {{"tabs", tabs}, {"active", active}}}).dump();
    };
    const std::string reachable =
        "[1, 35, 40].map((id) => { const s = `.tab[data-id=\"${id}\"]`, box = D.rect('#tabs'),"
        " r = D.rect(s), m = D.mid(s); return r.left >= box.left && r.right <= box.right &&"
        " D.$(s).contains(document.elementFromPoint(m.x, m.y)); }).concat(D.rect('#newtab').left"
        " >= D.rect('#tabs').right)";
    const std::string wheel = "D.fire('.strip-fill', new WheelEvent('wheel', {deltaY: ";
    // clang-format off
    run({
        {R"(["size",1280,720])", "", "", ""},
        {many(35), "", reachable, "[false,true,false,true]"},
        // The wheel, anywhere on the strip, scrolls to either end.
        {"", wheel + "1e5, bubbles: true, cancelable: true}))", reachable,
         "[false,true,true,true]"},
        {"", wheel + "-1e5, bubbles: true, cancelable: true}))", reachable,
         "[true,false,false,true]"},
        // A render that changes nothing the strip is scrolled by leaves it where it is; a new
        // active tab, or a new width, brings the active tab back into view.
        {many(35), "", reachable, "[true,false,false,true]"},
        {many(40), "", reachable, "[false,true,true,true]"},
        {"", wheel + "-1e5, bubbles: true, cancelable: true}))", "", ""},
        {R"(["size",900,720])", "", reachable, "[false,true,true,true]"},
    });
    // clang-format on
}

TEST_F(ChromeShell, RealKeysAndPointerReachThePage) {
    if (!xdotool({"search", "--sync", "--name", kTitle, "windowactivate", "--sync"})) {
        GTEST_SKIP() << "xdotool cannot reach this display";
    }
    run({{R"(["render",{}])", "", "", ""}, {R"(["focus"])", "", "", ""}});
    ASSERT_TRUE(xdotool({"type", "--delay", "20", "ne"}) && xdotool({"key", "ctrl+Return"}));
    run({{"", "", "D.sent", R"([{"t":"suggest","q":"n","complete":true},
        {"t":"suggest","q":"ne","complete":true},{"t":"navigate","text":"ne","newTab":true}])"}});
    const auto point = [&](const std::string& x) {
        const json at = js("[" + x + ", D.rect('.tab').y + D.rect('.tab').height / 2]");
        return xdotool({"search", "--name", kTitle, "mousemove", "--window", "%1",
                        std::to_string(at[0].get<int>()), std::to_string(at[1].get<int>())});
    };
    // A real drag of the first tab past the last one, a real middle click that closes a tab
    // and a real double click on the empty strip.
    ASSERT_TRUE(point("D.rect('.tab').x + 20") && xdotool({"mousedown", "1"}));
    for (int step = 1; step <= 8; ++step) {
        ASSERT_TRUE(point(std::to_string(step) +
                          " / 8 * (D.rect('.tab[data-id=\"9\"]').right"
                          " - 23 - D.rect('.tab').x) + D.rect('.tab').x + 20"));
    }
    ASSERT_TRUE(xdotool({"mouseup", "1"}) && point("D.rect('.tab[data-id=\"9\"]').x + 20") &&
                xdotool({"click", "2"}) &&
                point("D.rect('.strip-fill').x + D.rect('.strip-fill').width / 2") &&
                xdotool({"click", "--repeat", "2", "--delay", "80", "1"}));
    run({{"", "", "D.sent", R"([{"t":"selectTab","id":3},{"t":"moveTab","id":3,"to":2},
        {"t":"closeTab","id":9},{"t":"drag"},{"t":"zoomWindow"}])"}});
}

} // namespace
} // namespace corvane::test
