// The developer-tools pane in real windows: opened by the command under a shrunken tab view,
// its five panels driven through their own DOM against loopback pages, the picker clicked with
// xdotool, the grip dragged, the evaluation bridge at its limits, and a hostile page whose markup
// must stay text in every panel.
#include "chrome_driver.h"
#include "core/chrome_messages.h"
#include "core/commands.h"
#include "core/devtools.h"
#include "core/layout.h"
#include "support/loopback_server.h"

#include <cmath>
#include <glib.h>

namespace corvane::test {
namespace {

// Markup a careless panel would parse: the image would ask the loopback server for its report.
constexpr const char* kMarkup = "<img src=/dt-report onerror=\"fetch('/dt-report')\">";

HttpResponse serve(const HttpRequest& request) {
    const std::string& path = request.path;
    if (path == "/dt-style.css") {
        return HttpResponse{200, "text/css", "body{margin:0;font:16px sans-serif}", {}};
    }
    if (path == "/dt-plain" || path == "/dt-next") {
        return html_page(
            "<title>" + std::string(path == "/dt-plain" ? "Plain" : "Next") +
            "</title><link rel=stylesheet href=/dt-style.css><p id=hello class='big note'>Hello</p>"
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
window.T = window.T || {
    rows() {
        return [...document.querySelectorAll('#log .row')].map((r) =>
            [r.classList[1], r.querySelector('.mark').textContent,
             r.querySelector('.text').textContent]);
    },
    run(code) {
        const input = document.getElementById('input');
        input.value = code;
        input.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter', bubbles: true }));
        return true;
    },
    panel(name) { document.querySelector('#tabs [data-panel=' + name + ']').click(); return true; },
    text(id) { return document.getElementById(id).textContent; },
    nodes() { return [...document.querySelectorAll('#tree .node')].map((n) => n.textContent); },
    toggle(i) {
        document.querySelectorAll('#tree .node')[i].querySelector('.toggle').click();
        return true;
    },
    spy() {
        const real = window.CV;
        T.got = {};
        window.CV = { reset: real.reset, selftest: real.selftest,
            reply(id, raw) { T.got[id] = raw === 'null' ? 'null' : raw.length; real.reply(id, raw); } };
        return true;
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
    void open_pane(const std::string& path, const std::string& title) {
        open({{at(path), ""}});
        ASSERT_TRUE(loaded(0, 0, title));
        command("devtools");
        ASSERT_TRUE(wait_until([&] { return win().devtools && dev("!!window.CV_DEV") == true; }));
    }
    // A real click of the pointer at (x, y) of the active tab's page.
    bool click_in_tab(int x, int y) {
        gchar* out = nullptr;
        const bool found = g_spawn_command_line_sync(
            "xdotool search --onlyvisible --name ^Corvane$ getwindowgeometry", &out, nullptr,
            nullptr, nullptr);
        const std::string text = found && out != nullptr ? out : "";
        g_free(out);
        const std::size_t geometry = text.find("Geometry: ");
        if (!text.starts_with("Window ") || geometry == std::string::npos) {
            return false;
        }
        const std::string window = text.substr(7, text.find('\n') - 7);
        const int height = std::stoi(text.substr(text.find('x', geometry) + 1));
        // The window's content starts below its menu bar, the page below the chrome strip.
        const int top = height - static_cast<int>(win().window->inner_size().height) +
                        static_cast<int>(strip_height);
        return xdotool({"windowactivate", "--sync", window}) &&
               xdotool({"mousemove", "--window", window, std::to_string(x), std::to_string(top + y),
                        "click", "1"});
    }
    // Waits for a console row of that kind whose text satisfies the test.
    bool has_row(const std::string& kind, const std::function<bool(const std::string&)>& test) {
        return wait_until([&] {
            for (const nlohmann::json& r : dev("T.rows()")) {
                if (r[0] == kind && test(r[2].get<std::string>())) {
                    return true;
                }
            }
            return false;
        });
    }
    bool has_row(const std::string& kind, const std::string& text) {
        return has_row(kind, [&](const std::string& t) { return t == text; });
    }
    std::size_t count_rows(const std::string& kind) {
        std::size_t n = 0;
        for (const nlohmann::json& r : dev("T.rows()")) {
            n += r[0] == kind ? 1 : 0;
        }
        return n;
    }
    // The panel's text once it contains the expected piece.
    bool panel_shows(const std::string& id, const std::string& piece) {
        return wait_until([&] {
            const nlohmann::json text = dev("T.text('" + id + "')");
            return text.is_string() && text.get<std::string>().find(piece) != std::string::npos;
        });
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
    const struct {
        int to_y;
        double stored;
    } drags[] = {{400, pane_h + 100}, {5000, kMinDevtoolsHeight}, {-5000, kMaxDevtoolsHeight}};
    for (const auto& drag : drags) {
        dev("const g=document.getElementById('grip');const o={bubbles:true,pointerId:1};"
            "g.dispatchEvent(new PointerEvent('pointerdown',{...o,screenY:500}));"
            "window.dispatchEvent(new PointerEvent('pointermove',{...o,screenY:" +
            std::to_string(drag.to_y) +
            "}));window.dispatchEvent(new PointerEvent('pointerup',o));true");
        ASSERT_TRUE(wait_until([&] { return win().devtools_height == drag.stored; }))
            << drag.to_y << ": " << win().devtools_height;
        EXPECT_DOUBLE_EQ(pane().bounds().height, std::min(drag.stored, 0.75 * h));
        // The page is as high as the pane now is, for the next drag.
        ASSERT_TRUE(
            wait_until([&] { return dev("innerHeight") == std::round(pane().bounds().height); }));
    }
    for (const double bad : {NAN, INFINITY, -INFINITY}) {
        resize_devtools(app(), 0, bad);
        EXPECT_EQ(win().devtools_height, kMaxDevtoolsHeight);
    }

    command("devtools");
    EXPECT_FALSE(win().devtools);
    EXPECT_DOUBLE_EQ(tab(0, 0).webview->bounds().height, h - strip_height);
    // The close button closes it too, and a close for a closed pane opens nothing.
    command("devtools");
    ASSERT_TRUE(wait_until([&] { return win().devtools && dev("!!window.CV_DEV") == true; }));
    dev("document.getElementById('close').click();true");
    ASSERT_TRUE(wait_until([&] { return !win().devtools; }));
    ControlFlow flow = ControlFlow::wait;
    handle_ui_message(app(), 0, msg::DevClose{}, flow);
    EXPECT_FALSE(win().devtools);
}

TEST_F(Devtools, ConsoleRunsCodeDrainsThePageAndAnswersForASleepingTab) {
    open_pane("/dt-plain", "Plain");
    ASSERT_TRUE(has_row("nav", "Corvane DevTools. Type JavaScript below to run it in this page."));
    const struct {
        const char* code;
        const char* kind;
        const char* text;
    } runs[] = {
        {"1+1", "out", "2"},
        {"throw new Error('boom')", "error", "boom"},
        {"({a: [1, 'two'], f: function named() {}})", "out", "{a: [1, \"two\"], f: ƒ named()}"},
        {"console.log('in', 3); document.title", "log", "in 3"},
    };
    for (const auto& r : runs) {
        dev(std::string("T.run(") + nlohmann::json(r.code).dump() + ")");
        EXPECT_TRUE(has_row("in", r.code)) << r.code;
        EXPECT_TRUE(has_row(r.kind, r.text)) << r.code << "\n" << dev("T.rows()").dump();
    }

    in_tab("console.warn('careful', {n: 1})");
    EXPECT_TRUE(has_row("warn", "careful {n: 1}")) << "a drain brings it within a second";

    // 2,500 messages between two drains: the page keeps the first 2,000.
    const std::size_t before = count_rows("log");
    in_tab("for (let i = 0; i < 2500; i++) console.log('m' + i)");
    ASSERT_TRUE(has_row("log", "m1999"));
    pump(1500ms);
    EXPECT_EQ(count_rows("log") - before, 2000u);
    EXPECT_EQ(dev("T.rows().some((r) => r[2] === 'm2000')"), false);

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
    dev("T.panel('elements')");
    ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 1; }));
    EXPECT_EQ(dev("T.nodes()[0]"), "▸<html>") << dev("T.nodes()").dump();
    dev("T.toggle(0)");
    ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 3; }));
    EXPECT_EQ(dev("T.nodes()[2]"), "▸<body>");
    dev("T.toggle(2)");
    ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 6; }));
    EXPECT_EQ(dev("T.nodes()[3]"), "<p id=\"hello\" class=\"big note\">Hello");
    dev("document.querySelectorAll('#tree .node')[3].click()");
    EXPECT_TRUE(panel_shows("detail", "at 0, 16")) << dev("T.text('detail')").dump();
    EXPECT_TRUE(panel_shows("detail", "displayblock"));
    EXPECT_EQ(in_tab("!!document.getElementById('__corvane_hl')"), true);

    // The picker: a real click on the page's button selects it and the page never sees it.
    dev("document.getElementById('pick').click()");
    ASSERT_TRUE(wait_until([&] { return in_tab("!!window.__cvpick") == true; }));
    ASSERT_TRUE(click_in_tab(220, 145));
    EXPECT_TRUE(wait_until([&] {
        const nlohmann::json sel = dev("document.querySelector('#tree .node.sel')?.textContent");
        return sel == "<button id=\"target\" style=\"position:absolute;left:100px;top:100px;"
                      "width:240px;height:90px\">Target";
    })) << dev("T.nodes()").dump();
    EXPECT_EQ(in_tab("clicks"), 0);

    dev("T.panel('storage')");
    ASSERT_TRUE(panel_shows("storage", "greetinghello"));
    EXPECT_TRUE(panel_shows("storage", "Local storage (1)"));
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
    EXPECT_TRUE(has_row("out", nlohmann::json(kMarkup).dump()));
    dev("T.panel('elements')");
    ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 1; }));
    dev("T.toggle(0)");
    ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 3; }));
    dev("T.toggle(1)");
    ASSERT_TRUE(wait_until([&] { return dev("T.nodes()").size() == 4; }));
    dev("T.toggle(3)");
    EXPECT_TRUE(panel_shows("tree", std::string("<title>") + kMarkup));
    EXPECT_TRUE(panel_shows("tree", "data-x=" + nlohmann::json(kMarkup).dump()));
    const struct {
        const char* panel;
        std::string shows;
    } panels[] = {{"storage", std::string(kMarkup) + kMarkup},
                  {"page", std::string("Title") + kMarkup},
                  {"network", "1 requests"}};
    for (const auto& p : panels) {
        dev(std::string("T.panel('") + p.panel + "')");
        EXPECT_TRUE(panel_shows(p.panel, p.shows)) << p.panel;
    }
    pump(500ms);
    EXPECT_EQ(dev("document.querySelectorAll('img').length"), 0);
    EXPECT_EQ(server().count("/dt-report"), 0u);
}

TEST_F(Devtools, EvaluationLimitsAtTheirBoundaries) {
    open_pane("/dt-plain", "Plain");
    dev("T.spy()");
    const auto quoted = [](std::size_t size) {
        return "'" + std::string(size - 2, 'a') + "'";
    };
    const auto repeat = [](std::size_t size) {
        return "'x'.repeat(" + std::to_string(size - 2) + ")"; // its JSON text has the quotes
    };
    const struct {
        std::uint64_t id;
        std::string code;
        nlohmann::json reply;
    } cases[] = {
        {901, quoted(kMaxDevCodeBytes), kMaxDevCodeBytes},
        {902, quoted(kMaxDevCodeBytes + 1), "null"},
        {903, repeat(kMaxDevResultBytes), kMaxDevResultBytes},
        {904, repeat(kMaxDevResultBytes + 1), "null"},
    };
    for (const auto& c : cases) {
        evaluate_for_devtools(app(), 0, c.id, c.code);
        const std::string key = "T.got[" + std::to_string(c.id) + "]";
        ASSERT_TRUE(wait_until([&] { return dev(key) != nullptr; })) << c.id;
        EXPECT_EQ(dev(key), c.reply) << c.id;
    }
    // An answer for a pane that has closed meanwhile is dropped.
    command("devtools");
    handle_dev_eval_result(app(), {"1", win().id(), 905});
    evaluate_for_devtools(app(), 0, 906, "1");
    pump(200ms);
    EXPECT_FALSE(win().devtools);
}

} // namespace
} // namespace corvane::test
