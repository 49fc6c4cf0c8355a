// The chrome page's shell in a real WebKit view: what it draws from the state the core pushes,
// and the exact messages it posts for the user's actions.
#include "chrome_harness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace corvane::test {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ChromeShell = ChromePageTest;

constexpr const char* kPng1x1 =
    "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwAD"
    "hgGAWjR9awAAAABJRU5ErkJggg==";

json tab(int id, const std::string& title, const std::string& url, const std::string& host) {
    return json{{"favicon", nullptr}, {"host", host},      {"id", id},       {"loading", false},
                {"newtab", false},    {"sleeping", false}, {"title", title}, {"url", url}};
}

// The strip read back from the DOM, one object per tab element.
constexpr const char* kReadStrip = R"JS(
Array.from(document.querySelectorAll('#tabs > .tab')).map((e) => ({
    id: e.dataset.id,
    cls: e.className,
    selected: e.getAttribute('aria-selected'),
    tip: e.title,
    label: e.querySelector('.tab-title').textContent,
    labelHtml: e.querySelector('.tab-title').innerHTML,
    flares: e.querySelectorAll('.flare').length,
    icon: e.querySelector('.tab-icon use') ? e.querySelector('.tab-icon use').getAttribute('href')
        : e.querySelector('.tab-icon .spinner') ? 'spinner'
        : e.querySelector('.tab-icon img') ? 'img' : '',
}))
)JS";

TEST_F(ChromeShell, SendsReadyOnceAndDefinesThePageFunctions) {
    ASSERT_TRUE(h().load());
    h().pump(std::chrono::milliseconds(200));
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"ready"})"));
    EXPECT_EQ(js("Object.keys(CV).sort()"),
              json({"closeAll", "focusOmnibox", "openFind", "openPanel", "openSheet", "panel",
                    "render", "suggest", "toast"}));
    EXPECT_EQ(js("Object.values(CV).every((f) => typeof f === 'function')"), true);
    // Before the first render the strip is empty and nothing is shown over the page.
    EXPECT_EQ(js("document.querySelectorAll('#tabs > *').length"), 0);
    EXPECT_EQ(js("T.shown('overlay')"), false);
}

TEST_F(ChromeShell, ComesBackWholeAfterItsWebProcessEnds) {
    render(sample_state());
    webkit_web_view_terminate_web_process(h().view());
    // A dead view fails the test once and stops it, rather than answering every later script
    // with an error of its own.
    EXPECT_THROW(js("document.title"), ViewGone);
    EXPECT_EQ(h().take_unreported_end(), std::nullopt);
    // A load starts a new web process, and the page in it starts from nothing again.
    ASSERT_TRUE(h().load());
    EXPECT_EQ(h().web_process_end(), "");
    EXPECT_EQ(js("Object.keys(CV).length"), 9);
    EXPECT_EQ(js("document.querySelectorAll('#tabs > *').length"), 0);
}

TEST_F(ChromeShell, RunsUnderTheChromePolicyThatBlocksInlineScript) {
    // The policy is really enforced here: an inline script is refused and reported.
    js("const s = document.createElement('script'); s.textContent = 'window.__inline = 1';"
       "document.body.appendChild(s); 0");
    EXPECT_EQ(js("window.__inline === undefined"), true);
    EXPECT_TRUE(
        h().run_until([&] { return js("window.__csp.length") == 1; }, std::chrono::seconds(2)));
    js("window.__csp = []");
    // And the page's own files still loaded: the style sheet sized the strip.
    EXPECT_EQ(js("document.getElementById('strip').offsetHeight"), 40);
}

TEST_F(ChromeShell, HasTheStructureAndIconsTheScriptAndCoreRelyOn) {
    const json ids = {"chrome",     "strip",     "tabs",         "newtab",      "private-badge",
                      "toolbar",    "back",      "fwd",          "reload",      "omni-wrap",
                      "omni",       "sec",       "omni-display", "omni-host",   "omni-input",
                      "star",       "progress",  "shield",       "downloads",   "dl-dot",
                      "menu",       "findbar",   "find-input",   "find-status", "find-prev",
                      "find-next",  "find-done", "overlay",      "suggest",     "menu-pop",
                      "shield-pop", "panel",     "sheet-back",   "sheet",       "toast"};
    EXPECT_EQ(js("(" + ids.dump() + ").filter((id) => !document.getElementById(id))"),
              json::array());
    const json icons = {"plus",   "x",          "back",     "fwd",    "reload", "stop",
                        "lock",   "warn",       "info",     "search", "globe",  "star",
                        "shield", "shield-off", "download", "more",   "up",     "down",
                        "mask",   "clock",      "book",     "gear",   "moon",   "window",
                        "print",  "code",       "feather",  "zzz",    "trash",  "folder"};
    EXPECT_EQ(js("(" + icons.dump() + ").filter((n) => !document.querySelector('symbol#i-' + n))"),
              json::array());
    EXPECT_EQ(js("document.title"), "Corvane");
    EXPECT_EQ(js("document.getElementById('tabs').getAttribute('role')"), "tablist");
    EXPECT_EQ(js("document.getElementById('suggest').getAttribute('role')"), "listbox");
    EXPECT_EQ(js("document.getElementById('omni-input').placeholder"), "Search or enter website");
    EXPECT_EQ(js("document.getElementById('find-input').placeholder"), "Find in page");
    EXPECT_EQ(js("document.getElementById('newtab').title"), "New Tab (Ctrl+T)");
}

TEST_F(ChromeShell, KeepsTheHeightsTheWindowLayoutUses) {
    render(sample_state());
    EXPECT_EQ(js("document.getElementById('strip').getBoundingClientRect().height"), 40);
    EXPECT_EQ(js("document.getElementById('toolbar').getBoundingClientRect().height"), 46);
    EXPECT_EQ(js("document.getElementById('chrome').getBoundingClientRect().height"), 86);
    const json tab_box = js("T.rect('.tab')");
    EXPECT_EQ(tab_box["height"], 34);
    EXPECT_EQ(tab_box["bottom"], 40) << "tabs sit on the bottom of the strip";
    const json omni = js("T.rect('#omni')");
    EXPECT_EQ(omni["height"], 34);
    EXPECT_LE(omni["width"].get<double>(), 760);
    EXPECT_EQ(js("[T.rect('#back').width, T.rect('#menu').height]"), json({32, 32}));
    EXPECT_EQ(js("getComputedStyle(document.body).fontSize"), "13px");
    EXPECT_EQ(js("getComputedStyle(document.body).webkitUserSelect"), "none");

    h().call("openFind");
    EXPECT_EQ(js("document.getElementById('findbar').getBoundingClientRect().height"), 40);
    EXPECT_EQ(js("document.getElementById('chrome').getBoundingClientRect().height"), 126);
    js("T.key('#find-input', 'Escape')");
    EXPECT_EQ(js("document.getElementById('chrome').getBoundingClientRect().height"), 86);
}

TEST_F(ChromeShell, InsetsTheStripForThePlatform) {
    json state = sample_state();
    const std::string inset = "getComputedStyle(document.getElementById('strip')).paddingLeft";
    render(state);
    EXPECT_EQ(js("document.body.className"), "solid");
    EXPECT_EQ(js(inset), "10px");
    state["platform"] = "mac";
    render(state);
    EXPECT_EQ(js("document.body.className"), "mac");
    EXPECT_EQ(js(inset), "84px");
    state["fullscreen"] = true;
    render(state);
    EXPECT_EQ(js("document.body.className"), "mac fullscreen");
    EXPECT_EQ(js(inset), "10px");
}

TEST_F(ChromeShell, DrawsEachTabFromItsItem) {
    json state = sample_state();
    json tabs = json::array();
    tabs.push_back(tab(3, "<b>Bold</b> & <img src=x onerror=\"window.__pwned=1\">",
                       "https://a.example/", "a.example"));
    tabs.back()["favicon"] = kPng1x1;
    tabs.push_back(tab(7, "Example Domain", "https://www.example.com/", "example.com"));
    tabs.back()["favicon"] = "data:image/png;base64,AAAA";
    tabs.push_back(tab(9, "", "corvane://newtab/", ""));
    tabs.back()["newtab"] = true;
    tabs.push_back(tab(11, "", "https://sleepy.example/", "sleepy.example"));
    tabs.back()["sleeping"] = true;
    tabs.back()["loading"] = true;
    tabs.push_back(tab(12, "", "file:///tmp/notes.txt", ""));
    state["tabs"] = tabs;
    render(state);
    // The broken favicon swaps itself for the globe once its load fails.
    EXPECT_TRUE(h().run_until(
        [&] { return js("!!document.querySelector('.tab[data-id=\"7\"] .tab-icon use')") == true; },
        std::chrono::seconds(5)));

    const json got = js(kReadStrip);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0]["label"], "<b>Bold</b> & <img src=x onerror=\"window.__pwned=1\">");
    EXPECT_EQ(got[0]["labelHtml"],
              "&lt;b&gt;Bold&lt;/b&gt; &amp; &lt;img src=x onerror=\"window.__pwned=1\"&gt;");
    EXPECT_EQ(got[0]["tip"], got[0]["label"]);
    EXPECT_EQ(got[0]["icon"], "img");
    EXPECT_EQ(got[0]["cls"], "tab");
    EXPECT_EQ(got[1]["cls"], "tab active");
    EXPECT_EQ(got[1]["selected"], "true");
    EXPECT_EQ(got[1]["flares"], 2);
    EXPECT_EQ(got[1]["icon"], "#i-globe");
    EXPECT_EQ(got[2]["cls"], "tab after-active");
    EXPECT_EQ(got[2]["selected"], "false");
    EXPECT_EQ(got[2]["flares"], 0);
    EXPECT_EQ(got[2]["label"], "New Tab");
    EXPECT_EQ(got[2]["icon"], "#i-feather");
    EXPECT_EQ(got[3]["cls"], "tab sleeping");
    EXPECT_EQ(got[3]["label"], "sleepy.example");
    EXPECT_EQ(got[3]["tip"], "https://sleepy.example/");
    EXPECT_EQ(got[3]["icon"], "spinner");
    EXPECT_EQ(got[4]["label"], "New Tab");
    EXPECT_EQ(got[4]["icon"], "#i-globe");
    EXPECT_EQ(got[4]["id"], "12");
    EXPECT_EQ(js("document.querySelector('.tab img').referrerPolicy"), "no-referrer");
    EXPECT_EQ(js("document.querySelector('.tab img').src"), kPng1x1);
    EXPECT_EQ(js("document.querySelectorAll('#tabs b, #tabs img[src=\"x\"]').length"), 0);
    EXPECT_EQ(js("window.__pwned === undefined"), true);

    // A new render replaces every element in one step.
    js("window.__old = document.querySelector('.tab'); 0");
    render(state);
    EXPECT_EQ(js("window.__old.isConnected"), false);
    EXPECT_EQ(js("document.querySelectorAll('#tabs > .tab').length"), 5);
}

TEST_F(ChromeShell, NarrowsTabsToTheirIconWhenTheyGetCrowded) {
    json state = sample_state();
    const double inner = js("document.getElementById('strip').clientWidth").get<double>();
    // The first count at which (width - 164) / count drops below 92.
    int crowded = 1;
    while ((inner - 164) / crowded >= 92) {
        ++crowded;
    }
    auto with_tabs = [&](int count) {
        json tabs = json::array();
        for (int i = 0; i < count; ++i) {
            tabs.push_back(tab(100 + i, "Tab " + std::to_string(i), "https://t.example/", "t"));
        }
        state["tabs"] = tabs;
        state["active"] = 100;
        render(state);
    };
    with_tabs(crowded - 1);
    EXPECT_EQ(js("document.querySelectorAll('.tab.narrow').length"), 0);
    with_tabs(crowded);
    EXPECT_EQ(js("document.querySelectorAll('.tab.narrow').length"), crowded);
    // Inactive narrow tabs show only the icon; the active one only its close button.
    EXPECT_EQ(js("getComputedStyle(document.querySelector('.tab.narrow:not(.active) .tab-title'))"
                 ".display"),
              "none");
    EXPECT_EQ(js("getComputedStyle(document.querySelector('.tab.narrow:not(.active) .tab-close'))"
                 ".display"),
              "none");
    EXPECT_EQ(js("getComputedStyle(document.querySelector('.tab.active .tab-icon')).display"),
              "none");
    EXPECT_EQ(js("getComputedStyle(document.querySelector('.tab.active .tab-close')).display"),
              "grid");
    EXPECT_GE(js("T.rect('.tab:last-child').width").get<double>(), 36);
    with_tabs(0);
    EXPECT_EQ(js("document.querySelectorAll('.tab').length"), 0);
}

struct ToolbarCase {
    const char* name;
    const char* changes; // JSON merged into the sample state
    const char* probe;   // script whose value is checked
    const char* expected;
};

const ToolbarCase kToolbarCases[] = {
    {"back enabled", R"({"canBack":true})", "document.getElementById('back').disabled", "false"},
    {"back disabled", R"({"canBack":false})", "document.getElementById('back').disabled", "true"},
    {"forward enabled", R"({"canForward":true})", "document.getElementById('fwd').disabled",
     "false"},
    {"forward disabled", R"({"canForward":false})", "document.getElementById('fwd').disabled",
     "true"},
    {"stop while loading", R"({"loading":true})",
     "[T.icons('#reload')[0], document.getElementById('reload').title, "
     "document.getElementById('omni').classList.contains('loading'), "
     "getComputedStyle(document.getElementById('progress')).display]",
     R"(["#i-stop","Stop",true,"block"])"},
    {"reload when idle", R"({"loading":false})",
     "[T.icons('#reload')[0], document.getElementById('reload').title, "
     "getComputedStyle(document.getElementById('progress')).display]",
     R"j(["#i-reload","Reload (Ctrl+R)","none"])j"},
    {"shield on", R"({"shieldActive":true})",
     "[T.icons('#shield')[0], document.getElementById('shield').className]",
     R"(["#i-shield","tool on"])"},
    {"shield off", R"({"shieldActive":false})",
     "[T.icons('#shield')[0], document.getElementById('shield').className]",
     R"(["#i-shield-off","tool"])"},
    {"download dot", R"({"downloadsUnseen":true})", "T.shown('dl-dot')", "true"},
    {"no download dot", R"({"downloadsUnseen":false})", "T.shown('dl-dot')", "false"},
    {"private", R"({"private":true})",
     "[document.body.classList.contains('private'), T.shown('private-badge'), "
     "document.getElementById('private-badge').textContent]",
     R"([true,true,"Private"])"},
    {"not private", R"({"private":false})",
     "[document.body.classList.contains('private'), T.shown('private-badge')]", "[false,false]"},
    {"secure", R"({"sec":"secure"})",
     "[T.icons('#sec')[0], document.querySelector('#sec').className, "
     "document.querySelector('#sec .sec-text').textContent]",
     R"(["#i-lock","",""])"},
    {"insecure", R"({"sec":"insecure"})",
     "[T.icons('#sec')[0], document.querySelector('#sec').className, "
     "document.querySelector('#sec .sec-text').textContent]",
     R"(["#i-warn","insecure","Not Secure"])"},
    {"local", R"({"sec":"local"})", "[T.icons('#sec')[0]]", R"(["#i-info"])"},
    {"host shown", R"({"host":"example.com"})",
     "[document.getElementById('omni-host').textContent, "
     "document.getElementById('omni-input').value, "
     "document.getElementById('omni-display').className]",
     R"(["example.com","https://www.example.com/",""])"},
    {"url without host", R"({"host":"","url":"file:///tmp/a.txt","sec":"local"})",
     "document.getElementById('omni-host').textContent", R"("file:///tmp/a.txt")"},
    {"new tab page",
     R"({"newtab":true,"url":"corvane://newtab/","host":"","sec":"internal","active":9})",
     "[T.icons('#sec')[0], document.getElementById('omni-host').textContent, "
     "document.getElementById('omni-display').className, "
     "document.getElementById('omni-input').value, T.shown('star')]",
     R"(["#i-search","Search or enter website","placeholder","",false])"},
    {"bookmarked", R"({"bookmarked":true})",
     "[document.getElementById('star').className, T.shown('star')]", R"(["on",true])"},
    {"not bookmarked", R"({"bookmarked":false})", "document.getElementById('star').className",
     R"("")"},
};

TEST_F(ChromeShell, DrawsTheToolbarFromTheState) {
    for (const auto& c : kToolbarCases) {
        json state = sample_state();
        state.merge_patch(json::parse(c.changes));
        render(state);
        EXPECT_EQ(js(c.probe), json::parse(c.expected)) << c.name;
    }
}

TEST_F(ChromeShell, ToolbarButtonsSendTheirMessages) {
    json state = sample_state();
    state["canForward"] = true;
    render(state);
    for (const char* id : {"back", "fwd", "reload", "newtab", "star"}) {
        js(std::string("document.getElementById('") + id + "').click()");
    }
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"back"})", R"({"t":"forward"})", R"({"t":"reload"})",
                            R"({"t":"newTab"})", R"({"t":"toggleBookmark"})"));
    state["loading"] = true;
    state["canBack"] = false;
    render(state);
    js("document.getElementById('reload').click(); document.getElementById('back').click()");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"stop"})"));
}

TEST_F(ChromeShell, FocusingTheFieldShowsAndSelectsTheAddress) {
    render(sample_state());
    EXPECT_EQ(js("getComputedStyle(document.getElementById('omni-input')).opacity"), "0");
    h().call("focusOmnibox");
    focus_omni();
    EXPECT_EQ(js("document.activeElement.id"), "omni-input");
    EXPECT_EQ(js("document.getElementById('omni').className"), "focused");
    EXPECT_EQ(js("getComputedStyle(document.getElementById('omni-input')).opacity"), "1");
    EXPECT_EQ(js("getComputedStyle(document.getElementById('omni-display')).visibility"), "hidden");
    const json field = js("(() => { const i = document.getElementById('omni-input');"
                          "return [i.value, i.selectionStart, i.selectionEnd]; })()");
    EXPECT_EQ(field, json({"https://www.example.com/", 0, 24}));
    // A render while focused leaves the text being edited alone.
    js("T.type('#omni-input', 'half typed')");
    render(sample_state());
    EXPECT_EQ(js("document.getElementById('omni-input').value"), "half typed");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"suggest","q":"half typed","complete":true})"));
}

TEST_F(ChromeShell, TypingAsksForSuggestionsAndReturnNavigates) {
    render(sample_state());
    focus_omni();
    js("T.type('#omni-input', 'ex')");
    js("T.type('#omni-input', 'e', 'deleteContentBackward')");
    js("T.type('#omni-input', '   ')");
    js("T.type('#omni-input', 'say \"hi\" \\\\ ü')");
    EXPECT_EQ(js("T.key('#omni-input', 'Enter')"), true);
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"suggest","q":"ex","complete":true})",
                            R"({"t":"suggest","q":"e","complete":false})",
                            R"({"t":"suggest","q":"say \"hi\" \\ ü","complete":true})",
                            R"({"t":"navigate","text":"say \"hi\" \\ ü","newTab":false})"));
    // Return leaves the field, which shows the page's address again.
    EXPECT_EQ(js("document.activeElement.id"), "");
    EXPECT_EQ(js("document.getElementById('omni').className"), "");
    EXPECT_EQ(js("document.getElementById('omni-input').value"), "https://www.example.com/");
}

TEST_F(ChromeShell, ControlReturnOpensANewTabOnLinux) {
    render(sample_state());
    type_into_omni("news");
    js("T.key('#omni-input', 'Enter', {ctrlKey: true})");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"navigate","text":"news","newTab":true})"));
    type_into_omni("news");
    js("T.key('#omni-input', 'Enter', {metaKey: true})");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"navigate","text":"news","newTab":false})"));
    // On macOS the Command key does it instead.
    json mac = sample_state();
    mac["platform"] = "mac";
    render(mac);
    type_into_omni("news");
    js("T.key('#omni-input', 'Enter', {metaKey: true})");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"navigate","text":"news","newTab":true})"));
}

TEST_F(ChromeShell, ShowsSuggestionRowsUnderTheField) {
    render(sample_state());
    type_into_omni("exa");
    suggest(sample_rows());
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"overlay","on":true})"));
    EXPECT_EQ(js("T.shown('overlay') && T.shown('suggest')"), true);
    EXPECT_EQ(js("T.texts('#suggest .srow-main')"),
              json({"example.com", "exa", "Example <b>page</b>", "Exactly"}));
    EXPECT_EQ(js("T.texts('#suggest .srow-sub')"), json({"example.com/page", "exactly.org"}));
    EXPECT_EQ(js("Array.from(document.querySelectorAll('#suggest .srow')).map((r) => "
                 "r.querySelector('.srow-kind') ? r.querySelector('.srow-kind').textContent : '')"),
              json({"", "DuckDuckGo", "History", "Bookmark"}));
    EXPECT_EQ(js("T.icons('#suggest .srow')"),
              json({"#i-globe", "#i-search", "#i-clock", "#i-star"}));
    EXPECT_EQ(js("document.querySelectorAll('#suggest b').length"), 0);
    EXPECT_EQ(js("Array.from(document.querySelectorAll('#suggest .srow')).map((r) => "
                 "r.getAttribute('aria-selected'))"),
              json({"true", "false", "false", "false"}));
    EXPECT_EQ(js("document.getElementById('omni').className"), "focused suggesting");
    const json omni = js("T.rect('#omni')");
    const json list = js("T.rect('#suggest')");
    EXPECT_EQ(list["left"], omni["left"]);
    EXPECT_EQ(list["width"], omni["width"]);
    EXPECT_EQ(list["top"], omni["bottom"]);
    EXPECT_EQ(js("T.rect('.srow').height"), 38);
}

TEST_F(ChromeShell, ArrowKeysWalkTheRowsAndReturnOpensTheHighlightedOne) {
    render(sample_state());
    type_into_omni("exa");
    suggest(sample_rows());
    const std::string state =
        "[document.querySelector('#suggest .sel') ? Array.from(document.getElementById('suggest')"
        ".children).indexOf(document.querySelector('#suggest .sel')) : -1,"
        " document.getElementById('omni-input').value]";
    js("T.key('#omni-input', 'ArrowDown')");
    EXPECT_EQ(js(state), json({1, "exa"}));
    js("T.key('#omni-input', 'ArrowDown')");
    EXPECT_EQ(js(state), json({2, "https://www.example.com/page"}));
    js("T.key('#omni-input', 'ArrowDown'); T.key('#omni-input', 'ArrowDown')");
    EXPECT_EQ(js(state), json({0, "https://www.example.com/"})) << "wraps past the last row";
    js("T.key('#omni-input', 'ArrowUp')");
    EXPECT_EQ(js(state), json({3, "https://exactly.org/"})) << "wraps before the first row";
    js("T.key('#omni-input', 'ArrowUp')");
    js("T.key('#omni-input', 'Enter', {ctrlKey: true})");
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})",
                            R"({"t":"openUrl","url":"https://www.example.com/page","newTab":true})",
                            R"({"t":"overlay","on":false})"));
    EXPECT_EQ(js("T.shown('suggest') || T.shown('overlay')"), false);

    // Typing on before the new answer arrives: Return goes with the text, not a stale row.
    type_into_omni("exa");
    suggest(sample_rows());
    js("T.type('#omni-input', 'exa news'); T.key('#omni-input', 'Enter')");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"overlay","on":true})",
                                        R"({"t":"suggest","q":"exa news","complete":true})",
                                        R"({"t":"navigate","text":"exa news","newTab":false})",
                                        R"({"t":"overlay","on":false})"));

    // A highlighted row without an address navigates to the field's text.
    type_into_omni("exa");
    suggest(sample_rows(), "example.com");
    js("T.key('#omni-input', 'ArrowDown'); T.key('#omni-input', 'Enter')");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"overlay","on":true})",
                                        R"({"t":"navigate","text":"exa","newTab":false})",
                                        R"({"t":"overlay","on":false})"));
}

TEST_F(ChromeShell, InlineCompletionAddsTheRestAndSelectsIt) {
    render(sample_state());
    const std::string field = "(() => { const i = document.getElementById('omni-input');"
                              "return [i.value, i.selectionStart, i.selectionEnd]; })()";
    type_into_omni("ex");
    suggest(sample_rows(), "EXample.com");
    EXPECT_EQ(js(field), json({"example.com", 2, 11}));

    // A completion that does not continue the typed text, or is no longer, changes nothing.
    type_into_omni("ex");
    suggest(sample_rows(), "other.com");
    EXPECT_EQ(js(field)[0], "ex");
    suggest(sample_rows(), "EX");
    EXPECT_EQ(js(field)[0], "ex");
    // Nor does one that arrives after the text changed without an input event.
    js("document.getElementById('omni-input').value = 'exb'");
    suggest(sample_rows(), "example.com");
    EXPECT_EQ(js(field)[0], "exb");
}

TEST_F(ChromeShell, EscapeFirstDropsSuggestionsThenLeavesTheField) {
    render(sample_state());
    type_into_omni("ex");
    suggest(sample_rows(), "example.com");
    EXPECT_EQ(js("T.key('#omni-input', 'Escape')"), true);
    EXPECT_EQ(js("[document.getElementById('omni-input').value, document.activeElement.id,"
                 " T.shown('suggest')]"),
              json({"ex", "omni-input", false}));
    js("T.key('#omni-input', 'Escape')");
    EXPECT_EQ(js("[document.getElementById('omni-input').value, document.activeElement.id]"),
              json({"https://www.example.com/", ""}));
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"overlay","on":true})",
                                        R"({"t":"overlay","on":false})", R"({"t":"focusPage"})"));
}

TEST_F(ChromeShell, PressingARowOpensItWithoutMovingTheFocus) {
    render(sample_state());
    type_into_omni("exa");
    suggest(sample_rows());
    js("T.mouse('#suggest .srow:nth-child(3)', 'mouseenter', {bubbles: false})");
    EXPECT_EQ(js("document.querySelector('#suggest .srow:nth-child(3)').className"), "srow sel");
    EXPECT_EQ(js("T.mouse('#suggest .srow:nth-child(4)', 'mousedown')"), true)
        << "the press is cancelled so the field keeps the focus";
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})",
                            R"({"t":"openUrl","url":"https://exactly.org/","newTab":false})",
                            R"({"t":"overlay","on":false})"));
    EXPECT_EQ(js("document.activeElement.id"), "") << "opening a row leaves the field";
    // A row without an address navigates to its text.
    type_into_omni("exa");
    suggest(sample_rows());
    js("T.mouse('#suggest .srow:nth-child(2)', 'mousedown', {ctrlKey: true})");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"overlay","on":true})",
                                        R"({"t":"navigate","text":"exa","newTab":true})",
                                        R"({"t":"overlay","on":false})"));
}

TEST_F(ChromeShell, DropsSuggestionsThatArriveTooLateOrEmpty) {
    render(sample_state());
    suggest(sample_rows(), "example.com");
    EXPECT_EQ(js("T.shown('suggest') || T.shown('overlay')"), false);
    EXPECT_EQ(js("document.querySelectorAll('#suggest .srow').length"), 0);
    type_into_omni("zz");
    suggest(json::array());
    EXPECT_EQ(js("T.shown('suggest')"), false);
    EXPECT_THAT(h().sent(), IsEmpty());
}

TEST_F(ChromeShell, LeavingTheFieldOrPressingTheOverlayClosesSuggestions) {
    render(sample_state());
    type_into_omni("exa");
    suggest(sample_rows());
    js("document.getElementById('omni-input').blur()");
    EXPECT_EQ(js("[T.shown('suggest'), T.shown('overlay'), "
                 "document.getElementById('omni').className]"),
              json({false, false, ""}));
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})"));
    type_into_omni("exa");
    suggest(sample_rows());
    js("T.mouse('#overlay', 'mousedown')");
    EXPECT_EQ(js("[T.shown('suggest'), document.activeElement.id]"), json({false, ""}));
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"overlay","on":true})",
                                        R"({"t":"overlay","on":false})", R"({"t":"focusPage"})"));
}

TEST_F(ChromeShell, OnlyAWidthChangeCountsAsAWindowResize) {
    render(sample_state());
    type_into_omni("exa");
    suggest(sample_rows());
    // The core grows the chrome view over the page while the list is open: no resize for us.
    h().set_view_size(1100, 400);
    h().pump(std::chrono::milliseconds(200));
    EXPECT_EQ(js("T.shown('suggest')"), true);
    h().set_view_size(700, 400);
    EXPECT_TRUE(
        h().run_until([&] { return js("T.shown('suggest')") == false; }, std::chrono::seconds(2)));
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"overlay","on":true})", R"({"t":"overlay","on":false})"));
}

TEST_F(ChromeShell, ResizingRedrawsTheStrip) {
    json state = sample_state();
    json tabs = json::array();
    for (int i = 0; i < 7; ++i) {
        tabs.push_back(tab(20 + i, "Tab", "https://t.example/", "t.example"));
    }
    state["tabs"] = tabs;
    state["active"] = 20;
    render(state);
    EXPECT_EQ(js("document.querySelectorAll('.tab.narrow').length"), 0);
    h().set_view_size(700, 720);
    EXPECT_TRUE(
        h().run_until([&] { return js("document.querySelectorAll('.tab.narrow').length") == 7; },
                      std::chrono::seconds(2)));
}

TEST_F(ChromeShell, TabPressesSelectAndClose) {
    render(sample_state());
    // Pressing the close button neither selects nor drags the tab.
    js("T.pointer('.tab[data-id=\"3\"] .tab-close', 'pointerdown');"
       "T.click('.tab[data-id=\"3\"] .tab-close');"
       "T.pointer('.tab[data-id=\"3\"] .tab-close', 'pointerup')");
    js("T.pointer('.tab[data-id=\"3\"]', 'pointerdown'); T.pointer('.tab[data-id=\"3\"]', "
       "'pointerup')");
    js("T.pointer('.tab[data-id=\"7\"]', 'pointerdown'); T.pointer('.tab[data-id=\"7\"]', "
       "'pointerup')");
    EXPECT_EQ(js("T.mouse('.tab[data-id=\"9\"]', 'mousedown', {button: 1})"), true);
    js("T.mouse('.tab[data-id=\"9\"]', 'auxclick', {button: 1})");
    js("T.mouse('.tab[data-id=\"9\"]', 'auxclick', {button: 2})");
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"closeTab","id":3})", R"({"t":"selectTab","id":3})",
                                        R"({"t":"closeTab","id":9})"));
    EXPECT_EQ(js("document.querySelector('.tab-close').title"), "Close Tab (Ctrl+W)");
    EXPECT_EQ(js("document.querySelector('.tab-close').getAttribute('aria-label')"), "Close tab");
}

// Presses tab `id`, moves the pointer to `x` in steps, and releases it there.
std::string drag_tab(int id, const std::string& x) {
    const std::string sel = "'.tab[data-id=\"" + std::to_string(id) + "\"]'";
    return "(() => { const start = T.center(" + sel + ").x; const end = " + x + ";" + "T.pointer(" +
           sel + ", 'pointerdown');" +
           "for (let i = 1; i <= 4; i++) T.pointer(document.body, 'pointermove', "
           "start + (end - start) * i / 4);" +
           "T.pointer(document.body, 'pointerup', end); })()";
}

TEST_F(ChromeShell, DraggingATabMovesIt) {
    render(sample_state());
    const std::string mid = "((r) => r.left + r.width / 2)";
    // Less than 6 px is a press, not a drag.
    js(drag_tab(3, "start + 5"));
    // Past the middle of the third tab: the first tab goes last.
    js(drag_tab(3, mid + "(T.rect('.tab[data-id=\"9\"]')) + 4"));
    // Before the first tab: the third tab goes first.
    js(drag_tab(9, "T.rect('.tab[data-id=\"3\"]').left + 2"));
    // Away and back onto its own place: nothing moves.
    js(drag_tab(7, "start"));
    js("(() => { const s = T.center('.tab[data-id=\"7\"]').x; T.pointer('.tab[data-id=\"7\"]',"
       "'pointerdown'); T.pointer(document.body, 'pointermove', s + 40);"
       "T.pointer(document.body, 'pointermove', s + 1); T.pointer(document.body, 'pointerup', s "
       "+ 1); })()");
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"selectTab","id":3})", R"({"t":"selectTab","id":3})",
                            R"({"t":"moveTab","id":3,"to":2})", R"({"t":"selectTab","id":9})",
                            R"({"t":"moveTab","id":9,"to":0})"));
    EXPECT_EQ(js("document.querySelectorAll('.tab.dragging').length"), 0);
    EXPECT_EQ(js("document.querySelector('.tab[data-id=\"7\"]').style.transform"), "");
}

TEST_F(ChromeShell, ADraggedTabFollowsThePointerAcrossARender) {
    json state = sample_state();
    render(state);
    js("window.__start = T.center('.tab[data-id=\"3\"]').x;"
       "T.pointer('.tab[data-id=\"3\"]', 'pointerdown');"
       "T.pointer(document.body, 'pointermove', window.__start - 5)");
    EXPECT_EQ(js("document.querySelector('.tab[data-id=\"3\"]').className"), "tab")
        << "5 px is still a press";
    js("T.pointer(document.body, 'pointermove', window.__start + 6)");
    EXPECT_EQ(js("document.querySelector('.tab[data-id=\"3\"]').style.transform"),
              "translateX(6px)");
    js("T.pointer(document.body, 'pointermove', window.__start + 30)");
    EXPECT_EQ(js("document.querySelector('.tab[data-id=\"3\"]').className"), "tab dragging");
    EXPECT_EQ(js("document.querySelector('.tab[data-id=\"3\"]').style.transform"),
              "translateX(30px)");
    // The core answers the selection with a render while the tab is still held.
    state["active"] = 3;
    render(state);
    EXPECT_EQ(js("document.querySelector('.tab[data-id=\"3\"]').className"), "tab active dragging");
    js("T.pointer(document.body, 'pointermove', T.rect('.tab[data-id=\"9\"]').right - 2);"
       "T.pointer(document.body, 'pointerup', T.rect('.tab[data-id=\"9\"]').right - 2)");
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"selectTab","id":3})", R"({"t":"moveTab","id":3,"to":2})"));
}

TEST_F(ChromeShell, DraggableRegionsMoveAndZoomTheWindow) {
    render(sample_state());
    js("T.mouse('.strip-fill', 'mousedown')");
    js("T.mouse('.strip-fill', 'mousedown', {detail: 2})");
    js("T.mouse('#toolbar', 'mousedown')");
    js("T.mouse('#omni-wrap', 'mousedown', {detail: 2})");
    js("T.mouse('#strip', 'mousedown')");
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"drag"})", R"({"t":"zoomWindow"})", R"({"t":"drag"})",
                            R"({"t":"zoomWindow"})", R"({"t":"drag"})"));
    // Buttons, tabs, the field, inputs and other buttons of the mouse are no drag handles.
    js("T.mouse('#back', 'mousedown'); T.mouse('#newtab', 'mousedown');"
       "T.mouse('.tab.active', 'mousedown'); T.mouse('.tab.active', 'mousedown', {detail: 2});"
       "T.mouse('.tab.active', 'dblclick'); T.mouse('#omni', 'mousedown');"
       "T.mouse('.strip-fill', 'mousedown', {button: 2});"
       "T.mouse('.tab.active .tab-title', 'mousedown', {detail: 2})");
    EXPECT_THAT(h().sent(), IsEmpty());
}

TEST_F(ChromeShell, SuppressesTheContextMenuOutsideInputs) {
    render(sample_state());
    EXPECT_EQ(js("T.mouse('.strip-fill', 'contextmenu')"), true);
    EXPECT_EQ(js("T.mouse('.tab', 'contextmenu')"), true);
    EXPECT_EQ(js("T.mouse('#omni-input', 'contextmenu')"), false);
    EXPECT_EQ(js("T.mouse('#find-input', 'contextmenu')"), false);
}

TEST_F(ChromeShell, FindBarSearchesAndReportsItsState) {
    render(sample_state());
    h().call("openFind");
    EXPECT_EQ(js("[T.shown('findbar'), document.activeElement.id]"), json({true, "find-input"}));
    js("T.type('#find-input', 'needle \"x\"')");
    h().call("openFind");
    EXPECT_EQ(js("(() => { const i = document.getElementById('find-input');"
                 "return [i.selectionStart, i.selectionEnd]; })()"),
              json({0, 10}));
    js("T.key('#find-input', 'Enter'); T.key('#find-input', 'Enter', {shiftKey: true});"
       "document.getElementById('find-next').click();"
       "document.getElementById('find-prev').click()");
    // The core writes the outcome straight into the status text.
    js("document.getElementById('find-status').textContent=\"Not found\"");
    EXPECT_EQ(js("T.key('#find-input', 'Escape')"), true);
    EXPECT_EQ(js("[T.shown('findbar'), document.getElementById('find-status').textContent]"),
              json({false, ""}));
    h().call("openFind");
    js("document.getElementById('find-done').click()");
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"findbar","open":true})",
                            R"({"t":"find","q":"needle \"x\"","back":false,"fresh":true})",
                            R"({"t":"find","q":"needle \"x\"","back":false,"fresh":false})",
                            R"({"t":"find","q":"needle \"x\"","back":true,"fresh":false})",
                            R"({"t":"find","q":"needle \"x\"","back":false,"fresh":false})",
                            R"({"t":"find","q":"needle \"x\"","back":true,"fresh":false})",
                            R"({"t":"findbar","open":false})", R"({"t":"findbar","open":true})",
                            R"({"t":"findbar","open":false})"));
}

TEST_F(ChromeShell, ToastShowsTextAndHidesAfterItsTime) {
    render(sample_state());
    h().call("toast", {"<i>Bookmarked</i>"});
    EXPECT_EQ(js("[T.shown('toast'), document.getElementById('toast').textContent, "
                 "document.querySelectorAll('#toast i').length]"),
              json({true, "<i>Bookmarked</i>", 0}));
    // Where it comes to rest: the layout box leaves out the transform it slides in with.
    EXPECT_EQ(js("(() => { const t = document.getElementById('toast');"
                 "return [t.offsetTop, t.offsetLeft + t.offsetWidth, t.offsetHeight]; })()"),
              json({7, 1100 - 132, 26}));
    h().pump(std::chrono::milliseconds(1000));
    // A second toast replaces the first and starts the time again. The page's own clock times
    // it, so a slow machine cannot blur the check: left running, the first toast's time would
    // run out within 1.4 s of the second toast.
    const json second = js(R"JS(
        window.__hiddenAt = [];
        new MutationObserver(() => {
            if (document.getElementById('toast').hidden) __hiddenAt.push(performance.now());
        }).observe(document.getElementById('toast'), { attributes: true });
        CV.toast('Zoom 110%');
        performance.now())JS");
    EXPECT_EQ(js("[T.shown('toast'), document.getElementById('toast').textContent]"),
              json({true, "Zoom 110%"}));
    ASSERT_TRUE(
        h().run_until([&] { return js("__hiddenAt.length") == 1; }, std::chrono::seconds(5)));
    EXPECT_GE(js("__hiddenAt[0]").get<double>() - second.get<double>(), 2000);
    EXPECT_EQ(js("T.shown('toast')"), false);
    EXPECT_THAT(h().sent(), IsEmpty());
}

TEST_F(ChromeShell, RealKeysAndPointerReachThePage) {
    if (!h().xdotool({"search", "--sync", "--name", h().window_title(), "windowfocus", "--sync"})) {
        GTEST_SKIP() << "xdotool cannot reach this display";
    }
    render(sample_state());
    h().call("focusOmnibox");
    focus_omni();
    ASSERT_TRUE(h().xdotool({"type", "--delay", "20", "news"}));
    ASSERT_TRUE(h().xdotool({"key", "ctrl+Return"}));
    ASSERT_TRUE(h().wait_for_messages(5));
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"suggest","q":"n","complete":true})",
                                        R"({"t":"suggest","q":"ne","complete":true})",
                                        R"({"t":"suggest","q":"new","complete":true})",
                                        R"({"t":"suggest","q":"news","complete":true})",
                                        R"({"t":"navigate","text":"news","newTab":true})"));

    // A real drag of the first tab past the last one.
    const json first = js("T.center('.tab[data-id=\"3\"]')");
    const json last = js("T.rect('.tab[data-id=\"9\"]')");
    const auto at = [&](double x, double y) {
        return std::vector<std::string>{"search",
                                        "--name",
                                        h().window_title(),
                                        "mousemove",
                                        "--window",
                                        "%1",
                                        std::to_string(static_cast<int>(x)),
                                        std::to_string(static_cast<int>(y))};
    };
    const double y = first["y"].get<double>();
    ASSERT_TRUE(h().xdotool(at(first["x"].get<double>(), y)));
    ASSERT_TRUE(h().xdotool({"mousedown", "1"}));
    for (double x = first["x"].get<double>(); x < last["right"].get<double>(); x += 60) {
        ASSERT_TRUE(h().xdotool(at(x, y)));
    }
    ASSERT_TRUE(h().xdotool(at(last["right"].get<double>() - 3, y)));
    ASSERT_TRUE(h().xdotool({"mouseup", "1"}));
    ASSERT_TRUE(h().wait_for_messages(2));
    EXPECT_THAT(h().sent(),
                ElementsAre(R"({"t":"selectTab","id":3})", R"({"t":"moveTab","id":3,"to":2})"));

    // A real middle click closes a tab; a real double click on the empty strip zooms.
    const json third = js("T.center('.tab[data-id=\"9\"]')");
    ASSERT_TRUE(h().xdotool(at(third["x"].get<double>(), y)));
    ASSERT_TRUE(h().xdotool({"click", "2"}));
    ASSERT_TRUE(h().wait_for_messages(1));
    const json fill = js("T.center('.strip-fill')");
    ASSERT_TRUE(h().xdotool(at(fill["x"].get<double>(), fill["y"].get<double>())));
    ASSERT_TRUE(h().xdotool({"click", "--repeat", "2", "--delay", "80", "1"}));
    ASSERT_TRUE(h().wait_for_messages(3));
    EXPECT_THAT(h().sent(), ElementsAre(R"({"t":"closeTab","id":9})", R"({"t":"drag"})",
                                        R"({"t":"zoomWindow"})"));
}

} // namespace
} // namespace corvane::test
