// The developer-tools pane in a real window: opened by the command under a shrunken tab view, its
// panels driven through their own DOM against a loopback page whose markup must stay text in
// every panel, the picker clicked with xdotool, the grip dragged, and the evaluation bridge at
// its limit.
#include "chrome_driver.h"
#include "core/devtools.h"
#include "core/layout.h"

#include <cstdlib>

namespace corvane::test {
namespace {

using nlohmann::json;

// Markup a careless panel would parse: the image would ask the loopback server for its report.
constexpr const char* kMarkup = "<img src=/dt-report onerror=\"fetch('/dt-report')\">";

// Reads and drives the pane's page; T.spy() keeps the length of what each reply carried.
constexpr const char* kPaneDriver = R"JS(
var q = (sel) => [...document.querySelectorAll(sel)];
window.T = window.T || {
    has: (kind, text) => q('#log .' + kind).some((r) => r.lastChild.textContent === text),
    run(code) { input.value = code; input.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter' })); },
    panel: (name) => document.querySelector('#tabs [data-panel=' + name + ']').click(),
    text: (id) => document.getElementById(id).textContent,
    spy() {
        const real = window.CV;
        T.got = {};
        window.CV = { reply(id, raw) { T.got[id] = raw === 'null' ? raw : raw.length; real.reply(id, raw); } };
    },
};
)JS";

class Devtools : public ChromePageTest {
protected:
    BrowserWindow& win() { return app().windows.at(0); }
    platform::WebView& pane() { return *win().devtools; }
    json dev(const std::string& script) {
        return js(pane(), std::string(kPaneDriver) + ";\n{" + script + "\n}");
    }
    json in_tab(const std::string& script) { return js(*tab(0, 0).webview, script); }
    bool open_pane() {
        command("devtools");
        return wait_until([&] { return win().devtools && dev("!!window.CV_DEV") == true; });
    }
    ::testing::AssertionResult pane_shows(const std::string& script, const json& expected) {
        return becomes([&] { return dev(script); }, expected);
    }
    ::testing::AssertionResult has_row(const std::string& kind, const std::string& text) {
        return pane_shows("T.has(" + json(kind).dump() + "," + json(text).dump() + ")", true);
    }
    ::testing::AssertionResult panel_shows(const std::string& id, const std::string& piece) {
        return pane_shows("T.text('" + id + "').includes(" + json(piece).dump() + ")", true);
    }
};

TEST_F(Devtools, ThePaneShowsThePageAsTextRunsCodeInItAndKeepsItsLimits) {
    serve_page("/dt-style.css", {200, "text/css", "body{margin:0;font:16px sans-serif}", {}});
    serve_page("/dt", html_page("<title>t</title><link rel=stylesheet href=/dt-style.css><p "
                                "id=hello class='big note'>Hello</p><button id=target style='"
                                "position:absolute;left:100px;top:100px;width:240px;height:90px'>"
                                "Target</button><script>M=" +
                                json(kMarkup).dump() +
                                ";document.title=M;hello.dataset.x=M;localStorage.greeting=M;"
                                "clicks=0;target.onclick=()=>clicks++</script>"));
    open({{page_url("/dt"), ""}});
    ASSERT_TRUE(loaded(0, 0, kMarkup));
    ASSERT_TRUE(open_pane());
    const double h = win().window->inner_size().height;
    const double pane_h = pane().bounds().height;
    EXPECT_DOUBLE_EQ(tab(0, 0).webview->bounds().height, h - strip_height - pane_h);
    EXPECT_TRUE(wait_until([&] { return pane().has_focus(); }));
    // Dragging the grip up by 100 asks for 100 more.
    dev("const g=document.getElementById('grip');const o={bubbles:true,pointerId:1};"
        "g.dispatchEvent(new PointerEvent('pointerdown',{...o,screenY:500}));"
        "window.dispatchEvent(new PointerEvent('pointermove',{...o,screenY:400}));"
        "window.dispatchEvent(new PointerEvent('pointerup',o))");
    ASSERT_TRUE(wait_until([&] { return win().devtools_height == pane_h + 100; }));
    EXPECT_DOUBLE_EQ(pane().bounds().height, pane_h + 100);

    // The tree opened at the root, the body and the head; the paragraph's box and styles.
    dev("T.panel('elements')");
    for (const auto& [toggle, opened] :
         {std::pair{0, "<body>"}, {2, "<p id=\"hello\""}, {1, "<title>"}}) {
        ASSERT_TRUE(pane_shows("q('#tree .toggle').length > " + std::to_string(toggle), true));
        dev("q('#tree .toggle')[" + std::to_string(toggle) + "].click()");
        ASSERT_TRUE(panel_shows("tree", opened));
    }
    EXPECT_TRUE(panel_shows("tree", std::string("<title>") + kMarkup));
    EXPECT_TRUE(panel_shows(
        "tree", "<p id=\"hello\" class=\"big note\" data-x=" + json(kMarkup).dump() + ">Hello"));
    dev("q('#tree .node').find((n) => n.textContent.startsWith('<p')).click()");
    EXPECT_TRUE(panel_shows("detail", "at 0, 16") && panel_shows("detail", "displayblock"));
    EXPECT_EQ(in_tab("!!document.getElementById('__corvane_hl')"), true);
    // The picker: a real click on the page's button selects it and the page never sees it. The
    // window's content starts below its menu bar, the page below the strip.
    dev("document.getElementById('pick').click()");
    ASSERT_TRUE(wait_until([&] { return in_tab("!!window.__cvpick") == true; }));
    const int below = static_cast<int>(strip_height - h) + 145;
    ASSERT_EQ(std::system(("eval $(xdotool getactivewindow getwindowgeometry --shell) && xdotool "
                           "mousemove --window $WINDOW 220 $((HEIGHT + " +
                           std::to_string(below) + ")) click 1")
                              .c_str()),
              0);
    EXPECT_TRUE(
        pane_shows("q('#tree .sel')[0]?.textContent.startsWith('<button id=\"target\"')", true));
    EXPECT_EQ(in_tab("clicks"), 0);

    dev("T.panel('storage')");
    ASSERT_TRUE(
        panel_shows("storage", std::string("Local storage (1)Clear allgreeting") + kMarkup));
    dev("document.querySelector('[aria-label=\"Delete greeting\"]').click()");
    EXPECT_TRUE(panel_shows("storage", "Local storage (0)"));
    EXPECT_EQ(in_tab("localStorage.getItem('greeting')"), nullptr);
    dev("T.panel('network')");
    EXPECT_TRUE(panel_shows("network", page_url("/dt-style.css") + "link") &&
                panel_shows("network", "2 requests"));
    dev("T.panel('page')");
    EXPECT_TRUE(panel_shows("page", "URL" + page_url("/dt")) &&
                panel_shows("page", std::string("Title") + kMarkup));
    EXPECT_EQ(in_tab("!!document.getElementById('__corvane_hl')"), false);

    dev("T.panel('console')");
    ASSERT_TRUE(has_row("nav", "Corvane DevTools. Type JavaScript below to run it in this page."));
    for (const auto& [code, kind, text] :
         {std::tuple{"1+1", "out", "2"},
          {"throw new Error('boom')", "error", "boom"},
          {"({a: [1, 'two'], f: function named() {}})", "out", "{a: [1, \"two\"], f: ƒ named()}"},
          {"console.log(M); 0", "log", kMarkup}}) {
        dev("T.run(" + json(code).dump() + ")");
        EXPECT_TRUE(has_row("in", code) && has_row(kind, text)) << code;
    }
    in_tab("console.warn('careful', {n: 1}); console.error(M)");
    EXPECT_TRUE(has_row("warn", "careful {n: 1}") && has_row("error", kMarkup))
        << "a drain brings them within a second";
    // 2,500 messages between two drains: the page keeps the first 2,000.
    in_tab("for (let i = 0; i < 2500; i++) console.log('m' + i)");
    ASSERT_TRUE(has_row("log", "m1999"));
    in_tab("console.log('after')");
    ASSERT_TRUE(has_row("log", "after"));
    EXPECT_EQ(dev("T.has('log', 'm2000')"), false);
    EXPECT_EQ(dev("document.querySelectorAll('img').length"), 0);
    EXPECT_EQ(server().count("/dt-report"), 0u);

    command("reload");
    EXPECT_TRUE(has_row("nav", "Navigated to " + page_url("/dt")));
    ASSERT_TRUE(loaded(0, 0, kMarkup));
    // A result longer than the limit comes back as nothing.
    dev("T.spy()");
    for (const std::size_t length : {kMaxDevResultBytes, kMaxDevResultBytes + 1}) {
        evaluate_for_devtools(app(), 0, length, "'x'.repeat(" + std::to_string(length - 2) + ")");
        EXPECT_TRUE(pane_shows("T.got[" + std::to_string(length) + "]",
                               length == kMaxDevResultBytes ? json(length) : json("null")));
    }
    // A tab without its page: the core answers at once and leaves the tab asleep.
    tab(0, 0).webview.reset();
    const auto started = std::chrono::steady_clock::now();
    dev("T.run('1+1')");
    EXPECT_TRUE(has_row("error", "No response from the page (it may be asleep or still loading)."));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << "not the ten-second timeout";
    EXPECT_FALSE(tab(0, 0).webview);

    command("devtools");
    EXPECT_FALSE(win().devtools);
    ASSERT_TRUE(open_pane());
    dev("setTimeout(() => document.getElementById('close').click())"); // the view goes
    EXPECT_TRUE(wait_until([&] { return !win().devtools; })) << "the close button closes it";
}

} // namespace
} // namespace corvane::test
