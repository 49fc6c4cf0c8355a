// The developer-tools pane in real windows: opened by the command under a shrunken tab view,
// its five panels driven through their own DOM against loopback pages, the picker clicked with
// xdotool, the grip dragged, the evaluation bridge at its limits, and a hostile page whose markup
// must stay text in every panel.
#include "chrome_driver.h"
#include "core/commands.h"
#include "core/devtools.h"
#include "core/layout.h"
#include "support/loopback_server.h"

#include <cmath>
#include <cstdlib>

namespace corvane::test {
namespace {

// Markup a careless panel would parse: the image would ask the loopback server for its report.
constexpr const char* kMarkup = "<img src=/dt-report onerror=\"fetch('/dt-report')\">";

HttpResponse serve(const HttpRequest& request) {
    const std::string& path = request.path;
    if (path == "/dt-style.css") {
        return HttpResponse{200, "text/css", "body{margin:0;font:16px sans-serif}", {}};
    }
    if (path == "/dt-plain") {
        return html_page(
            "<title>Plain</title><link rel=stylesheet href=/dt-style.css><p id=hello class='big "
            "note'>Hello</p>"
            "<button id=target style='position:absolute;left:100px;top:100px;width:240px;"
            "height:90px'>Target</button><script>localStorage.setItem('greeting','hello');"
            "window.clicks=0;target.onclick=()=>clicks++</script>");
    }
    if (path == "/dt-hostile") {
        const std::string escaped =
            "&lt;img src=/dt-report onerror=&quot;fetch('/dt-report')&quot;&gt;";
        return html_page("<title>" + escaped + "</title><div id=evil data-x=\"" + escaped + "\">" +
                         escaped + "</div><script>window.M=" + nlohmann::json(kMarkup).dump() +
                         ";localStorage.setItem(M,M);sessionStorage.setItem('s',M);</script>");
    }
    return HttpResponse{404, "text/plain", "missing", {}};
}

LoopbackServer& server() {
    static LoopbackServer instance(serve);
    return instance;
}

// Reads and drives the pane's page; T.spy() keeps what each reply carried.
constexpr const char* kPaneDriver = R"JS(
var q = (sel) => [...document.querySelectorAll(sel)];
window.T = window.T || {
    has: (kind, text) => q('#log .' + kind).some((r) => r.lastChild.textContent === text),
    count: (kind) => q('#log .' + kind).length,
    run(code) { input.value = code; return input.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter' })); },
    panel: (name) => document.querySelector('#tabs [data-panel=' + name + ']').click() || 1,
    text: (id) => document.getElementById(id).textContent,
    nodes: () => q('#tree .node').map((n) => n.textContent),
    toggle: (i) => q('#tree .toggle')[i].click() || 1,
    spy() {
        const real = window.CV;
        T.got = {};
        return window.CV = { reply(id, raw) { T.got[id] = raw === 'null' ? raw : raw.length; real.reply(id, raw); } };
    },
};
)JS";

class Devtools : public ChromePageTest {
protected:
    static std::string at(const std::string& path) { return server().origin() + path; }
    BrowserWindow& win() { return app().windows.at(0); }
    platform::WebView& pane() { return *win().devtools; }
    nlohmann::json dev(const std::string& script) {
        return js(pane(), std::string(kPaneDriver) + ";\n{" + script + "\n}");
    }
    nlohmann::json in_tab(const std::string& script) { return js(*tab(0, 0).webview, script); }
    void command(const std::string& id) {
        ControlFlow flow = ControlFlow::wait;
        run_command(app(), id, flow);
    }
    bool pane_ready() {
        return wait_until([&] { return win().devtools && dev("!!window.CV_DEV") == true; });
    }
    void open_pane(const std::string& path, const std::string& title) {
        open({{at(path), ""}});
        ASSERT_TRUE(loaded(0, 0, title));
        command("devtools");
        ASSERT_TRUE(pane_ready());
    }
    // A real click of the pointer at (x, y) of the active tab's page. The window's content starts
    // below its menu bar (the window's height above the content), the page below the strip.
    bool click_in_tab(int x, int y) {
        const int below = static_cast<int>(strip_height - win().window->inner_size().height) + y;
        return std::system(("eval $(xdotool search --onlyvisible --name '^Corvane$' "
                            "getwindowgeometry --shell) && xdotool windowactivate --sync $WINDOW "
                            "mousemove --window $WINDOW " +
                            std::to_string(x) + " $((HEIGHT + " + std::to_string(below) +
                            ")) click 1")
                               .c_str()) == 0;
    }
    bool has_row(const std::string& kind, const std::string& text) {
        const std::string call =
            "T.has(" + nlohmann::json(kind).dump() + "," + nlohmann::json(text).dump() + ")";
        return wait_until([&] { return dev(call) == true; });
    }
    // Waits until the panel's text contains the piece.
    bool panel_shows(const std::string& id, const std::string& piece) {
        const std::string call =
            "T.text('" + id + "').includes(" + nlohmann::json(piece).dump() + ")";
        return wait_until([&] { return dev(call) == true; });
    }
    // Opens the tree's root row, then its row at index.
    void open_tree(std::size_t index) {
        dev("T.panel('elements')");
        ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 1; }));
        dev("T.toggle(0)");
        ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 3; }));
        dev("T.toggle(" + std::to_string(index) + ")");
    }
};

TEST_F(Devtools, CommandOpensThePaneUnderTheTabAndTheGripResizesItWithinTheClamp) {
    open_pane("/dt-plain", "Plain");
    const double h = win().window->inner_size().height;
    const double pane_h = std::min(320.0, 0.75 * h);
    EXPECT_EQ(pane().bounds(),
              (platform::Rect{0, h - pane_h, win().window->inner_size().width, pane_h}));
    EXPECT_DOUBLE_EQ(tab(0, 0).webview->bounds().height, h - strip_height - pane_h);
    EXPECT_TRUE(wait_until([&] { return pane().has_focus(); }));

    // Dragging the grip up by 100 asks for 100 more; far down or far up stops at the clamp.
    for (const auto& [to_y, stored] :
         {std::pair{400, pane_h + 100}, {5000, kMinDevtoolsHeight}, {-5000, kMaxDevtoolsHeight}}) {
        dev("const g=document.getElementById('grip');const o={bubbles:true,pointerId:1};"
            "g.dispatchEvent(new PointerEvent('pointerdown',{...o,screenY:500}));"
            "window.dispatchEvent(new PointerEvent('pointermove',{...o,screenY:" +
            std::to_string(to_y) +
            "}));window.dispatchEvent(new PointerEvent('pointerup',o));true");
        ASSERT_TRUE(wait_until([&] { return win().devtools_height == stored; })) << to_y;
        EXPECT_DOUBLE_EQ(pane().bounds().height, std::min(stored, 0.75 * h));
        // The page is as high as the pane now is, for the next drag.
        ASSERT_TRUE(
            wait_until([&] { return dev("innerHeight") == std::round(pane().bounds().height); }));
    }

    command("devtools");
    EXPECT_FALSE(win().devtools);
    EXPECT_DOUBLE_EQ(tab(0, 0).webview->bounds().height, h - strip_height);
    // The close button closes it too.
    command("devtools");
    ASSERT_TRUE(pane_ready());
    dev("setTimeout(() => document.getElementById('close').click())"); // the view goes
    EXPECT_TRUE(wait_until([&] { return !win().devtools; }));
}

TEST_F(Devtools, ConsoleRunsCodeDrainsThePageAndAnswersForASleepingTab) {
    open_pane("/dt-plain", "Plain");
    ASSERT_TRUE(has_row("nav", "Corvane DevTools. Type JavaScript below to run it in this page."));
    for (const auto& [code, kind, text] : {std::tuple{"1+1", "out", "2"},
                                           {"throw new Error('boom')", "error", "boom"},
                                           {"({a: [1, 'two'], f: function named() {}})", "out",
                                            "{a: [1, \"two\"], f: ƒ named()}"}}) {
        dev(std::string("T.run(") + nlohmann::json(code).dump() + ")");
        EXPECT_TRUE(has_row("in", code) && has_row(kind, text)) << code;
    }

    in_tab("console.warn('careful', {n: 1})");
    EXPECT_TRUE(has_row("warn", "careful {n: 1}")) << "a drain brings it within a second";

    // 2,500 messages between two drains: the page keeps the first 2,000.
    const nlohmann::json before = dev("T.count('log')");
    in_tab("for (let i = 0; i < 2500; i++) console.log('m' + i)");
    ASSERT_TRUE(has_row("log", "m1999"));
    pump(1500ms);
    EXPECT_EQ(dev("T.count('log')"), before.get<int>() + 2000);
    EXPECT_EQ(dev("T.has('log', 'm2000')"), false);

    command("reload");
    EXPECT_TRUE(has_row("nav", "Navigated to " + at("/dt-plain")));

    // A tab without its page: the core answers at once and leaves the tab asleep.
    ASSERT_TRUE(loaded(0, 0, "Plain"));
    tab(0, 0).webview.reset();
    const auto started = std::chrono::steady_clock::now();
    dev("T.run('1+1')");
    EXPECT_TRUE(has_row("error", "No response from the page (it may be asleep or still loading)."));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s) << "not the ten-second timeout";
    EXPECT_FALSE(tab(0, 0).webview);
}

TEST_F(Devtools, ElementsPickerStorageNetworkAndPagePanels) {
    open_pane("/dt-plain", "Plain");
    open_tree(2);
    ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 6; }));
    EXPECT_EQ(dev("T.nodes().slice(0, 3)"), nlohmann::json({"▾<html>", "▸<head>", "▾<body>"}));
    EXPECT_EQ(dev("T.nodes()[3]"), "<p id=\"hello\" class=\"big note\">Hello");
    dev("document.querySelectorAll('#tree .node')[3].click()");
    EXPECT_TRUE(panel_shows("detail", "at 0, 16"));
    EXPECT_TRUE(panel_shows("detail", "displayblock"));
    EXPECT_EQ(in_tab("!!document.getElementById('__corvane_hl')"), true);

    // The picker: a real click on the page's button selects it and the page never sees it.
    dev("document.getElementById('pick').click()");
    ASSERT_TRUE(wait_until([&] { return in_tab("!!window.__cvpick") == true; }));
    ASSERT_TRUE(click_in_tab(220, 145));
    EXPECT_TRUE(wait_until([&] {
        const nlohmann::json sel = dev("document.querySelector('#tree .sel')?.textContent");
        return sel.is_string() && sel.get<std::string>().starts_with("<button id=\"target\"");
    }));
    EXPECT_EQ(in_tab("clicks"), 0);

    dev("T.panel('storage')");
    ASSERT_TRUE(panel_shows("storage", "Local storage (1)Clear allgreetinghello"));
    dev("document.querySelector('[aria-label=\"Delete greeting\"]').click()");
    EXPECT_TRUE(panel_shows("storage", "Local storage (0)"));
    EXPECT_EQ(in_tab("localStorage.getItem('greeting')"), nullptr);

    dev("T.panel('network')");
    EXPECT_TRUE(panel_shows("network", at("/dt-style.css") + "link"));
    EXPECT_TRUE(panel_shows("network", "2 requests"));

    dev("T.panel('page')");
    EXPECT_TRUE(panel_shows("page", "URL" + at("/dt-plain")));
    EXPECT_TRUE(panel_shows("page", "TitlePlain"));
    dev("T.panel('console')");
    EXPECT_EQ(in_tab("!!document.getElementById('__corvane_hl')"), false);
}

TEST_F(Devtools, HostileMarkupStaysTextInEveryPanel) {
    open_pane("/dt-hostile", kMarkup);
    dev("T.run('console.log(M); M')");
    EXPECT_TRUE(has_row("log", kMarkup));
    in_tab("console.error(M)");
    EXPECT_TRUE(has_row("error", kMarkup));
    open_tree(1);
    ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 4; }));
    dev("T.toggle(3)");
    EXPECT_TRUE(panel_shows("tree", std::string("<title>") + kMarkup));
    EXPECT_TRUE(panel_shows("tree", "data-x=" + nlohmann::json(kMarkup).dump()));
    for (const auto& [panel, shows] : {std::pair{"storage", std::string(kMarkup) + kMarkup},
                                       {"page", std::string("Title") + kMarkup},
                                       {"network", std::string("1 requests")}}) {
        dev(std::string("T.panel('") + panel + "')");
        EXPECT_TRUE(panel_shows(panel, shows)) << panel;
    }
    pump(500ms);
    EXPECT_EQ(dev("document.querySelectorAll('img').length"), 0);
    EXPECT_EQ(server().count("/dt-report"), 0u);
}

TEST_F(Devtools, EvaluationLimitsAtTheirBoundaries) {
    open_pane("/dt-plain", "Plain");
    dev("T.spy()");
    // Code of n bytes whose result's JSON text has n bytes too (the quotes included).
    const auto quoted = [](std::size_t n) {
        return "'" + std::string(n - 2, 'a') + "'";
    };
    const auto repeat = [](std::size_t n) {
        return "'x'.repeat(" + std::to_string(n - 2) + ")";
    };
    std::uint64_t id = 900;
    for (const auto& [code, reply] :
         {std::pair{quoted(kMaxDevCodeBytes), nlohmann::json(kMaxDevCodeBytes)},
          {quoted(kMaxDevCodeBytes + 1), "null"},
          {repeat(kMaxDevResultBytes), kMaxDevResultBytes},
          {repeat(kMaxDevResultBytes + 1), "null"}}) {
        evaluate_for_devtools(app(), 0, ++id, code);
        const std::string key = "T.got[" + std::to_string(id) + "]";
        ASSERT_TRUE(wait_until([&] { return dev(key) != nullptr; })) << id;
        EXPECT_EQ(dev(key), reply) << id;
    }
}

} // namespace
} // namespace corvane::test
