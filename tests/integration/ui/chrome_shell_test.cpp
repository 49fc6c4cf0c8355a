// The chrome page's shell in the browser's own chrome view: what it draws from the state the core
// pushes, and the exact messages it posts for the user's gestures.
#include "chrome_view.h"

namespace corvane::test {
namespace {

using nlohmann::json;
using ChromeShell = ChromeViewTest;

constexpr const char* kPng1x1 =
    "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwAD"
    "hgGAWjR9awAAAABJRU5ErkJggg==";

TEST_F(ChromeShell, ThePolicyItIsServedWithRefusesInlineScript) {
    js("const s = document.createElement('script'); s.textContent = 'window.__inline = 1';"
       "document.body.appendChild(s)");
    EXPECT_EQ(js("window.__inline === undefined"), true);
    EXPECT_TRUE(wait_until([&] { return js("D.refused.length") == 1; }));
    js("D.refused = []");
    // The page's own script and style sheet loaded under it: the style sheet sized the strip.
    EXPECT_EQ(js("D.$('#strip').offsetHeight"), 40);
}

TEST_F(ChromeShell, DrawsEachTabFromItsItem) {
    json state = sample_state();
    json tabs = json::array();
    tabs.push_back(tab_item(3, "<b>Bold</b> & <img src=x onerror=\"window.__pwned=1\">",
                            "https://a.example/", "a.example"));
    tabs.back()["favicon"] = kPng1x1;
    tabs.push_back(tab_item(7, "Example Domain", "https://www.example.com/", "example.com"));
    tabs.back()["favicon"] = "data:image/png;base64,AAAA";
    tabs.push_back(tab_item(9, "", "corvane://newtab/", ""));
    tabs.back()["newtab"] = true;
    tabs.push_back(tab_item(11, "", "https://sleepy.example/", "sleepy.example"));
    tabs.back()["sleeping"] = true;
    tabs.back()["loading"] = true;
    tabs.push_back(tab_item(12, "", "file:///tmp/notes.txt", ""));
    state["tabs"] = tabs;
    render(state);
    // The broken favicon swaps itself for the globe once its load fails.
    EXPECT_TRUE(
        wait_until([&] { return js("!!D.$('.tab[data-id=\"7\"] .tab-icon use')") == true; }));
    const json got = js(R"JS([...document.querySelectorAll('#tabs > .tab')].map((e) => [
        e.className, e.getAttribute('aria-selected'), e.title,
        e.querySelector('.tab-title').textContent, e.querySelectorAll('.flare').length,
        e.querySelector('.tab-icon use') ? e.querySelector('.tab-icon use').getAttribute('href')
            : e.querySelector('.tab-icon .spinner') ? 'spinner'
            : e.querySelector('.tab-icon img') ? 'img' : ''].join(' | ')))JS");
    const std::string bold = "<b>Bold</b> & <img src=x onerror=\"window.__pwned=1\">";
    EXPECT_EQ(got, json({"tab | false | " + bold + " | " + bold + " | 0 | img",
                         "tab active | true | Example Domain | Example Domain | 2 | #i-globe",
                         "tab after-active | false | corvane://newtab/ | New Tab | 0 | #i-feather",
                         "tab sleeping | false | https://sleepy.example/ | sleepy.example | 0 | "
                         "spinner",
                         "tab | false | file:///tmp/notes.txt | New Tab | 0 | #i-globe"}));
    EXPECT_EQ(js("[D.$('.tab img').referrerPolicy, D.$('.tab img').src]"),
              json({"no-referrer", kPng1x1}));
    EXPECT_EQ(js("document.querySelectorAll('#tabs b, #tabs img[src=\"x\"]').length"), 0);
    EXPECT_EQ(js("window.__pwned === undefined"), true);

    // A new render replaces every element in one step.
    js("window.__old = D.$('.tab')");
    render(state);
    EXPECT_EQ(js("[window.__old.isConnected, document.querySelectorAll('.tab').length]"),
              json({false, 5}));
}

TEST_F(ChromeShell, CrowdedTabsNarrowToTheirIconAndAResizeRedrawsThem) {
    json state = sample_state();
    state["tabs"] = json::array();
    for (int i = 0; i < 7; ++i) {
        state["tabs"].push_back(tab_item(20 + i, "Tab", "https://t.example/", "t.example"));
    }
    state["active"] = 20;
    render(state);
    EXPECT_EQ(js("document.querySelectorAll('.tab.narrow').length"), 0);
    set_size(700, kHeight);
    ASSERT_TRUE(
        wait_until([&] { return js("document.querySelectorAll('.tab.narrow').length") == 7; }));
    // Inactive narrow tabs show only the icon; the active one only its close button.
    EXPECT_EQ(js("['.tab:not(.active) .tab-title', '.tab:not(.active) .tab-close',"
                 " '.tab.active .tab-icon', '.tab.active .tab-close']"
                 ".map((s) => getComputedStyle(D.$(s)).display)"),
              json({"none", "none", "none", "grid"}));
    state["tabs"] = json::array();
    render(state);
    EXPECT_EQ(js("document.querySelectorAll('.tab').length"), 0);
}

struct ToolbarCase {
    const char* changes; // merged into the sample state
    const char* probe;
    const char* expected;
};

const ToolbarCase kToolbarCases[] = {
    {R"({"canBack":false,"canForward":true})", "[D.$('#back').disabled, D.$('#fwd').disabled]",
     "[true,false]"},
    {R"({"loading":true})",
     "[D.icons('#reload')[0], D.$('#reload').title, D.$('#omni').classList.contains('loading'),"
     " getComputedStyle(D.$('#progress')).display]",
     R"(["#i-stop","Stop",true,"block"])"},
    {R"({"loading":false})",
     "[D.icons('#reload')[0], D.$('#reload').title, getComputedStyle(D.$('#progress')).display]",
     R"j(["#i-reload","Reload (Ctrl+R)","none"])j"},
    {R"({"shieldActive":true})", "[D.icons('#shield')[0], D.$('#shield').className]",
     R"(["#i-shield","tool on"])"},
    {R"({"shieldActive":false})", "[D.icons('#shield')[0], D.$('#shield').className]",
     R"(["#i-shield-off","tool"])"},
    {R"({"downloadsUnseen":true})", "D.shown('dl-dot')", "true"},
    {R"({"downloadsUnseen":false})", "D.shown('dl-dot')", "false"},
    {R"({"private":true})",
     "[document.body.classList.contains('private'), D.shown('private-badge')]", "[true,true]"},
    {R"({"private":false})",
     "[document.body.classList.contains('private'), D.shown('private-badge')]", "[false,false]"},
    {R"({"sec":"secure"})",
     "[D.icons('#sec')[0], D.$('#sec').className, D.$('#sec .sec-text').textContent]",
     R"(["#i-lock","",""])"},
    {R"({"sec":"insecure"})",
     "[D.icons('#sec')[0], D.$('#sec').className, D.$('#sec .sec-text').textContent]",
     R"(["#i-warn","insecure","Not Secure"])"},
    {R"({"sec":"local"})", "D.icons('#sec')", R"(["#i-info"])"},
    {R"({"host":"example.com"})",
     "[D.$('#omni-host').textContent, D.$('#omni-input').value, D.$('#omni-display').className]",
     R"(["example.com","https://www.example.com/",""])"},
    {R"({"host":"","url":"file:///tmp/a.txt","sec":"local"})", "D.$('#omni-host').textContent",
     R"("file:///tmp/a.txt")"},
    {R"({"newtab":true,"url":"corvane://newtab/","host":"","sec":"internal","active":9})",
     "[D.icons('#sec')[0], D.$('#omni-host').textContent, D.$('#omni-display').className,"
     " D.$('#omni-input').value, D.shown('star')]",
     R"(["#i-search","Search or enter website","placeholder","",false])"},
    {R"({"bookmarked":true})", "[D.$('#star').className, D.shown('star')]", R"(["on",true])"},
    {R"({"bookmarked":false})", "D.$('#star').className", R"("")"},
};

TEST_F(ChromeShell, DrawsTheToolbarFromTheState) {
    for (const ToolbarCase& c : kToolbarCases) {
        json state = sample_state();
        state.merge_patch(json::parse(c.changes));
        render(state);
        EXPECT_EQ(js(c.probe), json::parse(c.expected)) << c.changes;
    }
}

TEST_F(ChromeShell, ToolbarButtonsSendTheirMessages) {
    json state = sample_state();
    state["canForward"] = true;
    render(state);
    js("['back', 'fwd', 'reload', 'newtab', 'star'].forEach((id) => D.$('#' + id).click())");
    EXPECT_EQ(sent(), J(R"([{"t":"back"},{"t":"forward"},{"t":"reload"},{"t":"newTab"},
                            {"t":"toggleBookmark"}])"));
    state["loading"] = true;
    state["canBack"] = false;
    render(state);
    js("D.$('#reload').click(); D.$('#back').click()");
    EXPECT_EQ(sent(), J(R"([{"t":"stop"}])"));
}

// The field's value and selection.
constexpr const char* kField = "[D.$('#omni-input').value, D.$('#omni-input').selectionStart, "
                               "D.$('#omni-input').selectionEnd]";

TEST_F(ChromeShell, FocusingTheFieldShowsAndSelectsTheAddress) {
    render(sample_state());
    EXPECT_EQ(js("getComputedStyle(D.$('#omni-input')).opacity"), "0");
    call("focusOmnibox");
    focus_omni();
    EXPECT_EQ(js("[document.activeElement.id, D.$('#omni').className,"
                 " getComputedStyle(D.$('#omni-input')).opacity,"
                 " getComputedStyle(D.$('#omni-display')).visibility]"),
              json({"omni-input", "focused", "1", "hidden"}));
    EXPECT_EQ(js(kField), json({"https://www.example.com/", 0, 24}));
    // A render while focused leaves the text being edited alone.
    js("D.type('#omni-input', 'half typed')");
    render(sample_state());
    EXPECT_EQ(js("D.$('#omni-input').value"), "half typed");
    EXPECT_EQ(sent(), J(R"([{"t":"suggest","q":"half typed","complete":true}])"));
}

TEST_F(ChromeShell, TypingAsksForSuggestionsAndReturnNavigates) {
    render(sample_state());
    focus_omni();
    js("D.type('#omni-input', 'ex'); D.type('#omni-input', 'e', 'deleteContentBackward');"
       "D.type('#omni-input', '   '); D.type('#omni-input', 'say \"hi\" \\\\ ü')");
    EXPECT_EQ(js("D.key('#omni-input', 'Enter')"), true);
    EXPECT_EQ(sent(), J(R"([{"t":"suggest","q":"ex","complete":true},
                            {"t":"suggest","q":"e","complete":false},
                            {"t":"suggest","q":"say \"hi\" \\ ü","complete":true},
                            {"t":"navigate","text":"say \"hi\" \\ ü","newTab":false}])"));
    // Return leaves the field, which shows the page's address again.
    EXPECT_EQ(js("[document.activeElement.id, D.$('#omni').className, D.$('#omni-input').value]"),
              json({"", "", "https://www.example.com/"}));
    // Control+Return opens a new tab; the Super key does not.
    for (const auto& [mods, new_tab] :
         {std::pair{"{ctrlKey: true}", true}, {"{metaKey: true}", false}}) {
        type_into_omni("news");
        js(std::string("D.key('#omni-input', 'Enter', ") + mods + ")");
        EXPECT_EQ(sent(), json::array({{{"t", "navigate"}, {"text", "news"}, {"newTab", new_tab}}}))
            << mods;
    }
}

TEST_F(ChromeShell, ShowsSuggestionRowsUnderTheField) {
    render(sample_state());
    type_into_omni("exa");
    suggest(sample_rows());
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true}])"));
    EXPECT_EQ(js("[D.shown('overlay'), D.shown('suggest'), D.$('#omni').className]"),
              json({true, true, "focused suggesting"}));
    EXPECT_EQ(
        js(R"JS([...document.querySelectorAll('#suggest .srow')].map((r) => [
        r.querySelector('.srow-main').textContent,
        r.querySelector('.srow-sub') ? r.querySelector('.srow-sub').textContent : '',
        r.querySelector('.srow-kind') ? r.querySelector('.srow-kind').textContent : '',
        r.querySelector('use').getAttribute('href'), r.getAttribute('aria-selected')].join(' | ')))JS"),
        json({"example.com |  |  | #i-globe | true", "exa |  | DuckDuckGo | #i-search | false",
              "Example <b>page</b> | example.com/page | History | #i-clock | false",
              "Exactly | exactly.org | Bookmark | #i-star | false"}));
    EXPECT_EQ(js("document.querySelectorAll('#suggest b').length"), 0);
    const json omni = js("D.rect('#omni')");
    const json list = js("D.rect('#suggest')");
    EXPECT_EQ(json({list["left"], list["width"], list["top"]}),
              json({omni["left"], omni["width"], omni["bottom"]}));
}

TEST_F(ChromeShell, ArrowKeysWalkTheRowsAndReturnOpensTheHighlightedOne) {
    render(sample_state());
    type_into_omni("exa");
    suggest(sample_rows());
    const std::string at = "[[...D.$('#suggest').children].indexOf(D.$('#suggest .sel')),"
                           " D.$('#omni-input').value]";
    const std::pair<const char*, const char*> steps[] = {
        {"ArrowDown", R"([1,"exa"])"},
        {"ArrowDown", R"([2,"https://www.example.com/page"])"},
        {"ArrowDown", R"([3,"https://exactly.org/"])"},
        {"ArrowDown", R"([0,"https://www.example.com/"])"}, // wraps past the last row
        {"ArrowUp", R"([3,"https://exactly.org/"])"},       // and before the first
        {"ArrowUp", R"([2,"https://www.example.com/page"])"},
    };
    for (const auto& [key, expected] : steps) {
        js(std::string("D.key('#omni-input', '") + key + "')");
        EXPECT_EQ(js(at), J(expected)) << key;
    }
    js("D.key('#omni-input', 'Enter', {ctrlKey: true})");
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},
        {"t":"openUrl","url":"https://www.example.com/page","newTab":true},
        {"t":"overlay","on":false}])"));
    EXPECT_EQ(js("D.shown('suggest') || D.shown('overlay')"), false);

    // Typing on before the new answer arrives: Return goes with the text, not a stale row.
    type_into_omni("exa");
    suggest(sample_rows());
    js("D.type('#omni-input', 'exa news'); D.key('#omni-input', 'Enter')");
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},
        {"t":"suggest","q":"exa news","complete":true},
        {"t":"navigate","text":"exa news","newTab":false},{"t":"overlay","on":false}])"));

    // A highlighted row without an address navigates to the field's text.
    type_into_omni("exa");
    suggest(sample_rows(), "example.com");
    js("D.key('#omni-input', 'ArrowDown'); D.key('#omni-input', 'Enter')");
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},
        {"t":"navigate","text":"exa","newTab":false},{"t":"overlay","on":false}])"));
}

TEST_F(ChromeShell, InlineCompletionAddsOnlyAContinuationOfWhatWasTyped) {
    render(sample_state());
    type_into_omni("ex");
    suggest(sample_rows(), "EXample.com");
    EXPECT_EQ(js(kField), json({"example.com", 2, 11}));
    type_into_omni("ex");
    for (const char* completion : {"other.com", "EX"}) {
        suggest(sample_rows(), completion);
        EXPECT_EQ(js(kField)[0], "ex") << completion;
    }
    // Nor one that arrives after the text changed without an input event.
    js("D.$('#omni-input').value = 'exb'");
    suggest(sample_rows(), "example.com");
    EXPECT_EQ(js(kField)[0], "exb");
}

TEST_F(ChromeShell, EscapeFirstDropsSuggestionsThenLeavesTheField) {
    render(sample_state());
    type_into_omni("ex");
    suggest(sample_rows(), "example.com");
    EXPECT_EQ(js("D.key('#omni-input', 'Escape')"), true);
    EXPECT_EQ(js("[D.$('#omni-input').value, document.activeElement.id, D.shown('suggest')]"),
              json({"ex", "omni-input", false}));
    js("D.key('#omni-input', 'Escape')");
    EXPECT_EQ(js("[D.$('#omni-input').value, document.activeElement.id]"),
              json({"https://www.example.com/", ""}));
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},{"t":"overlay","on":false},
                            {"t":"focusPage"}])"));
}

TEST_F(ChromeShell, PressingARowOpensItWithoutMovingTheFocus) {
    render(sample_state());
    type_into_omni("exa");
    suggest(sample_rows());
    js("D.mouse('#suggest .srow:nth-child(3)', 'mouseenter', {bubbles: false})");
    EXPECT_EQ(js("D.$('#suggest .srow:nth-child(3)').className"), "srow sel");
    EXPECT_EQ(js("D.mouse('#suggest .srow:nth-child(4)', 'mousedown')"), true)
        << "the press is cancelled so the field keeps the focus";
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},
        {"t":"openUrl","url":"https://exactly.org/","newTab":false},{"t":"overlay","on":false}])"));
    EXPECT_EQ(js("document.activeElement.id"), "") << "opening a row leaves the field";
    // A row without an address navigates to its text.
    type_into_omni("exa");
    suggest(sample_rows());
    js("D.mouse('#suggest .srow:nth-child(2)', 'mousedown', {ctrlKey: true})");
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},
        {"t":"navigate","text":"exa","newTab":true},{"t":"overlay","on":false}])"));
}

TEST_F(ChromeShell, DropsSuggestionsThatArriveTooLateOrEmpty) {
    render(sample_state());
    suggest(sample_rows(), "example.com");
    EXPECT_EQ(js("[D.shown('suggest') || D.shown('overlay'),"
                 " document.querySelectorAll('#suggest .srow').length]"),
              json({false, 0}));
    type_into_omni("zz");
    suggest(json::array());
    EXPECT_EQ(js("D.shown('suggest')"), false);
    EXPECT_EQ(sent(), json::array());
}

TEST_F(ChromeShell, LeavingTheFieldPressingTheOverlayOrNarrowingTheWindowClosesSuggestions) {
    render(sample_state());
    const json opened_and_closed = J(R"([{"t":"overlay","on":true},{"t":"overlay","on":false}])");
    type_into_omni("exa");
    suggest(sample_rows());
    js("D.$('#omni-input').blur()");
    EXPECT_EQ(js("[D.shown('suggest'), D.shown('overlay'), D.$('#omni').className]"),
              json({false, false, ""}));
    EXPECT_EQ(sent(), opened_and_closed);
    type_into_omni("exa");
    suggest(sample_rows());
    js("D.mouse('#overlay', 'mousedown')");
    EXPECT_EQ(js("[D.shown('suggest'), document.activeElement.id]"), json({false, ""}));
    EXPECT_EQ(sent(), J(R"([{"t":"overlay","on":true},{"t":"overlay","on":false},
                            {"t":"focusPage"}])"));
    // The core grows the chrome view over the page while the list is open: no resize for the
    // page. Only a change of width is one.
    type_into_omni("exa");
    suggest(sample_rows());
    set_size(kWidth, 400);
    EXPECT_EQ(js("D.shown('suggest')"), true);
    set_size(700, 400);
    EXPECT_TRUE(wait_until([&] { return js("D.shown('suggest')") == false; }));
    EXPECT_EQ(sent(), opened_and_closed);
}

// Selects tab 3 with a press, closes 3 with its close button (neither selecting nor dragging it),
// closes 9 with a middle click; a right click does nothing.
TEST_F(ChromeShell, TabPressesSelectAndClose) {
    render(sample_state());
    js("const close = '.tab[data-id=\"3\"] .tab-close';"
       "D.pointer('pointerdown', close); D.mouse(close, 'mousedown'); D.mouse(close, 'mouseup');"
       "D.mouse(close, 'click'); D.pointer('pointerup', close);"
       "for (const id of [3, 7]) {"
       "  D.pointer('pointerdown', `.tab[data-id=\"${id}\"]`);"
       "  D.pointer('pointerup', `.tab[data-id=\"${id}\"]`); }");
    EXPECT_EQ(js("D.mouse('.tab[data-id=\"9\"]', 'mousedown', {button: 1})"), true);
    js("D.mouse('.tab[data-id=\"9\"]', 'auxclick', {button: 1});"
       "D.mouse('.tab[data-id=\"9\"]', 'auxclick', {button: 2})");
    EXPECT_EQ(sent(), J(R"([{"t":"closeTab","id":3},{"t":"selectTab","id":3},
                            {"t":"closeTab","id":9}])"));
}

// Presses tab `id`, moves the pointer to `x` in four steps and releases it there.
std::string drag_tab(int id, const std::string& x) {
    const std::string tab = "'.tab[data-id=\"" + std::to_string(id) + "\"]'";
    return "{ const start = D.rect(" + tab + ").x + D.rect(" + tab +
           ").width / 2; const end = " + x + "; D.pointer('pointerdown', " + tab +
           "); for (let i = 1; i <= 4; i++) D.pointer('pointermove', document.body,"
           " start + (end - start) * i / 4); D.pointer('pointerup', document.body, end); }";
}

TEST_F(ChromeShell, DraggingATabMovesIt) {
    json state = sample_state();
    render(state);
    js(drag_tab(3, "start + 5")); // under 6 px is a press
    js(drag_tab(3,
                "D.rect('.tab[data-id=\"9\"]').x + D.rect('.tab[data-id=\"9\"]').width / 2 + 4"));
    js(drag_tab(9, "D.rect('.tab[data-id=\"3\"]').left + 2")); // before the first tab
    js(drag_tab(7, "start"));                                  // back onto its own place
    EXPECT_EQ(sent(), J(R"([{"t":"selectTab","id":3},{"t":"selectTab","id":3},
        {"t":"moveTab","id":3,"to":2},{"t":"selectTab","id":9},{"t":"moveTab","id":9,"to":0}])"));
    EXPECT_EQ(js("[document.querySelectorAll('.tab.dragging').length,"
                 " D.$('.tab[data-id=\"7\"]').style.transform]"),
              json({0, ""}));

    // The held tab follows the pointer, also across the render that answers its selection.
    const std::string held = "D.$('.tab[data-id=\"3\"]')";
    js("window.__start = D.rect('.tab[data-id=\"3\"]').x + D.rect('.tab[data-id=\"3\"]').width / 2;"
       "D.pointer('pointerdown', '.tab[data-id=\"3\"]');"
       "D.pointer('pointermove', document.body, __start - 5)");
    EXPECT_EQ(js(held + ".className"), "tab") << "5 px is still a press";
    js("D.pointer('pointermove', document.body, __start + 30)");
    EXPECT_EQ(js("[" + held + ".className, " + held + ".style.transform]"),
              json({"tab dragging", "translateX(30px)"}));
    state["active"] = 3;
    render(state);
    EXPECT_EQ(js(held + ".className"), "tab active dragging");
    js("const end = D.rect('.tab[data-id=\"9\"]').right - 2;"
       "D.pointer('pointermove', document.body, end); D.pointer('pointerup', document.body, end)");
    EXPECT_EQ(sent(), J(R"([{"t":"selectTab","id":3},{"t":"moveTab","id":3,"to":2}])"));
}

TEST_F(ChromeShell, EmptyPartsOfTheBarsDragAndZoomTheWindowAndHaveNoContextMenu) {
    render(sample_state());
    js("D.mouse('.strip-fill', 'mousedown'); D.mouse('.strip-fill', 'mousedown', {detail: 2});"
       "D.mouse('#toolbar', 'mousedown'); D.mouse('#omni-wrap', 'mousedown', {detail: 2});"
       "D.mouse('#strip', 'mousedown')");
    EXPECT_EQ(sent(), J(R"([{"t":"drag"},{"t":"zoomWindow"},{"t":"drag"},{"t":"zoomWindow"},
                            {"t":"drag"}])"));
    // Buttons, tabs, the field and other mouse buttons are no drag handles.
    js("D.mouse('#back', 'mousedown'); D.mouse('#newtab', 'mousedown');"
       "D.mouse('.tab.active', 'mousedown'); D.mouse('.tab.active', 'mousedown', {detail: 2});"
       "D.mouse('.tab.active', 'dblclick'); D.mouse('#omni', 'mousedown');"
       "D.mouse('.strip-fill', 'mousedown', {button: 2});"
       "D.mouse('.tab.active .tab-title', 'mousedown', {detail: 2})");
    EXPECT_EQ(sent(), json::array());
    EXPECT_EQ(js("['.strip-fill', '.tab', '#omni-input', '#find-input']"
                 ".map((s) => D.mouse(s, 'contextmenu'))"),
              json({true, true, false, false}))
        << "only fields keep their context menu";
}

TEST_F(ChromeShell, FindBarSearchesAndReportsItsState) {
    render(sample_state());
    call("openFind");
    EXPECT_EQ(js("[D.shown('findbar'), document.activeElement.id]"), json({true, "find-input"}));
    js("D.type('#find-input', 'needle \"x\"')");
    call("openFind");
    EXPECT_EQ(js("[D.$('#find-input').selectionStart, D.$('#find-input').selectionEnd]"),
              json({0, 10}));
    js("D.key('#find-input', 'Enter'); D.key('#find-input', 'Enter', {shiftKey: true});"
       "D.$('#find-next').click(); D.$('#find-prev').click();"
       "D.$('#find-status').textContent = 'Not found'"); // as the core writes it
    EXPECT_EQ(js("D.key('#find-input', 'Escape')"), true);
    EXPECT_EQ(js("[D.shown('findbar'), D.$('#find-status').textContent]"), json({false, ""}));
    call("openFind");
    js("D.$('#find-done').click()");
    EXPECT_EQ(sent(), J(R"([{"t":"findbar","open":true},
        {"t":"find","q":"needle \"x\"","back":false,"fresh":true},
        {"t":"find","q":"needle \"x\"","back":false,"fresh":false},
        {"t":"find","q":"needle \"x\"","back":true,"fresh":false},
        {"t":"find","q":"needle \"x\"","back":false,"fresh":false},
        {"t":"find","q":"needle \"x\"","back":true,"fresh":false},
        {"t":"findbar","open":false},{"t":"findbar","open":true},{"t":"findbar","open":false}])"));
}

TEST_F(ChromeShell, ASecondToastReplacesTheFirstAndRestartsItsTime) {
    render(sample_state());
    call("toast", {"<i>Bookmarked</i>"});
    EXPECT_EQ(js("[D.shown('toast'), D.$('#toast').textContent,"
                 " document.querySelectorAll('#toast i').length]"),
              json({true, "<i>Bookmarked</i>", 0}));
    // Timed on the page's own clock: left running, the first toast's time would end within
    // 1.4 s of the second toast.
    js("window.__first = performance.now()");
    ASSERT_TRUE(wait_until([&] { return js("performance.now() - __first > 1000") == true; }));
    const json second = js(R"JS(window.__hiddenAt = [];
        new MutationObserver(() => { if (D.$('#toast').hidden) __hiddenAt.push(performance.now()); })
            .observe(D.$('#toast'), { attributes: true });
        CV.toast('Zoom 110%');
        performance.now())JS");
    EXPECT_EQ(js("[D.shown('toast'), D.$('#toast').textContent]"), json({true, "Zoom 110%"}));
    ASSERT_TRUE(wait_until([&] { return js("__hiddenAt.length") == 1; }));
    EXPECT_GE(js("__hiddenAt[0]").get<double>() - second.get<double>(), 2000);
    EXPECT_EQ(sent(), json::array());
}

TEST_F(ChromeShell, RealKeysAndPointerReachThePage) {
    if (!xdotool({"search", "--sync", "--name", title(), "windowactivate", "--sync"})) {
        GTEST_SKIP() << "xdotool cannot reach this display";
    }
    render(sample_state());
    call("focusOmnibox");
    focus_omni();
    ASSERT_TRUE(xdotool({"type", "--delay", "20", "news"}));
    ASSERT_TRUE(xdotool({"key", "ctrl+Return"}));
    json got;
    ASSERT_TRUE(wait_until([&] { return (got = js("D.sent")).size() == 5; })) << got.dump();
    EXPECT_EQ(sent(), J(R"([{"t":"suggest","q":"n","complete":true},
        {"t":"suggest","q":"ne","complete":true},{"t":"suggest","q":"new","complete":true},
        {"t":"suggest","q":"news","complete":true},{"t":"navigate","text":"news","newTab":true}])"));

    const auto move = [&](double x, double y) {
        return xdotool({"search", "--name", title(), "mousemove", "--window", "%1",
                        std::to_string(static_cast<int>(x)), std::to_string(static_cast<int>(y))});
    };
    const auto sent_count = [&](std::size_t count) {
        return wait_until([&] { return js("D.sent.length") == count; });
    };
    // A real drag of the first tab past the last one.
    const json first = js("D.rect('.tab[data-id=\"3\"]')");
    const double y = first["y"].get<double>() + first["height"].get<double>() / 2;
    const double right = js("D.rect('.tab[data-id=\"9\"]').right").get<double>();
    ASSERT_TRUE(move(first["x"].get<double>() + 20, y));
    ASSERT_TRUE(xdotool({"mousedown", "1"}));
    for (double x = first["x"].get<double>() + 20; x < right; x += 60) {
        ASSERT_TRUE(move(x, y));
    }
    ASSERT_TRUE(move(right - 3, y));
    ASSERT_TRUE(xdotool({"mouseup", "1"}));
    ASSERT_TRUE(sent_count(2));
    EXPECT_EQ(sent(), J(R"([{"t":"selectTab","id":3},{"t":"moveTab","id":3,"to":2}])"));

    // A real middle click closes a tab; a real double click on the empty strip zooms.
    const json third = js("D.rect('.tab[data-id=\"9\"]')");
    ASSERT_TRUE(move(third["x"].get<double>() + 20, y));
    ASSERT_TRUE(xdotool({"click", "2"}));
    ASSERT_TRUE(sent_count(1));
    const json fill = js("D.rect('.strip-fill')");
    ASSERT_TRUE(move(fill["x"].get<double>() + fill["width"].get<double>() / 2, y));
    ASSERT_TRUE(xdotool({"click", "--repeat", "2", "--delay", "80", "1"}));
    ASSERT_TRUE(sent_count(3));
    EXPECT_EQ(sent(), J(R"([{"t":"closeTab","id":9},{"t":"drag"},{"t":"zoomWindow"}])"));
}

} // namespace
} // namespace corvane::test
