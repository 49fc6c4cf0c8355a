#include "chrome_driver.h"

#include "core/commands.h"
#include "core/menu_model.h"

#include <cstdlib>
#include <gio/gio.h>
#include <glib.h>

namespace corvane::test {

using nlohmann::json;

namespace {

HttpResponse serve(const HttpRequest& request) {
    if (request.path.starts_with("/article-")) {
        const std::string title = "Article " + request.path.substr(9);
        return html_page("<title>" + title + "</title><h1>" + title + "</h1>");
    }
    return HttpResponse{404, "text/plain", "missing", {}};
}

// Helpers for dispatching DOM events and reading the chrome back, defined once per page. D.sent
// records every message the page posts from then on, as the bridge sees it; D.refused what the
// page's security policy blocked; D.errors uncaught script errors.
constexpr const char* kDriver = R"JS(
if (!window.D) {
    document.addEventListener('corvane-ipc', (e) => D.sent.push(JSON.parse(e.detail)));
    document.addEventListener('securitypolicyviolation',
        (e) => D.refused.push(e.violatedDirective + ' ' + e.blockedURI));
    addEventListener('error', (e) => D.errors.push(String(e.message)));
}
window.D = window.D || {
    sent: [], refused: [], errors: [],
    $: (sel) => (typeof sel === 'string' ? document.querySelector(sel) : sel),
    all: (sel) => [...document.querySelectorAll(sel)],
    fire(sel, ev) { D.$(sel).dispatchEvent(ev); return ev.defaultPrevented; },
    key: (sel, key, mods) =>
        D.fire(sel, new KeyboardEvent('keydown', { key, bubbles: true, cancelable: true, ...mods })),
    type(sel, text, inputType = 'insertText') {
        D.$(sel).focus(); D.$(sel).value = text;
        D.fire(sel, new InputEvent('input', { inputType, data: text, bubbles: true }));
        return D.$(sel).value;
    },
    // At the middle of the element unless opts say otherwise.
    mouse: (sel, type, opts) => D.fire(sel, new MouseEvent(type, { bubbles: true, cancelable: true,
        clientX: D.mid(sel).x, clientY: D.mid(sel).y, button: 0, detail: 1, ...opts })),
    pointer: (type, sel, x, button) => D.fire(sel, new PointerEvent(type, { bubbles: true,
        cancelable: true, button: button || 0, clientX: x ?? D.mid(sel).x, clientY: D.mid(sel).y,
        pointerId: 1, isPrimary: true })),
    rect: (sel) => D.$(sel).getBoundingClientRect().toJSON(),
    mid: (sel, r = D.rect(sel)) => ({ x: r.left + r.width / 2, y: r.top + r.height / 2 }),
    texts: (sel) => D.all(sel).map((e) => e.textContent),
    icons: (sel) => D.all(sel + ' use').map((u) => u.getAttribute('href')),
    shown: (id) => !!document.getElementById(id) && !D.$('#' + id).hidden &&
        getComputedStyle(D.$('#' + id)).display !== 'none',
};
)JS";

} // namespace

LoopbackServer& server() {
    static LoopbackServer instance(serve);
    return instance;
}

std::string page_url(const std::string& path) {
    return server().origin() + path;
}

void serve_page(const std::string& path, const HttpResponse& page) {
    server().stream(path, {{page.status, page.content_type, "", page.headers},
                           page.body.size(),
                           [body = page.body](const auto& send) {
                               send(body);
                           }});
}

json js(platform::WebView& view, const std::string& script) {
    const std::optional<std::string> text = evaluate(view, script);
    return text && !text->empty() ? json::parse(*text, nullptr, false) : nullptr;
}

json drive(platform::WebView& chrome, const std::string& script) {
    // A block, so that declarations of one call do not clash with the next one's.
    return js(chrome, std::string(kDriver) + ";\n{" + script + "\n}");
}

bool xdotool(const std::vector<std::string>& args) {
    std::string line = "xdotool";
    for (const std::string& arg : args) {
        g_autofree gchar* quoted = g_shell_quote(arg.c_str());
        line = line + " " + quoted;
    }
    return std::system((line + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::string> screen_colours(int x, int y_from_bottom, int width, int height) {
    // Measured from the bottom: the page views end there, whatever bars the window has on top.
    const std::string line =
        "w=$(xdotool getactivewindow) && eval $(xdotool getwindowgeometry --shell $w) && "
        "import -screen -window $w -crop " +
        std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) +
        "+$((HEIGHT - " + std::to_string(y_from_bottom) + ")) -depth 8 txt:- 2>/dev/null";
    g_autoptr(GSubprocess) process = g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE, nullptr, "sh",
                                                      "-c", line.c_str(), nullptr);
    if (process == nullptr) {
        return {};
    }
    // The loop keeps running meanwhile: the web views hand their frames over through it.
    struct Read {
        bool done = false;
        std::string text;
    } read;
    g_subprocess_communicate_utf8_async(
        process, nullptr, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* into = static_cast<Read*>(data);
            g_autofree gchar* out = nullptr;
            if (g_subprocess_communicate_utf8_finish(G_SUBPROCESS(source), result, &out, nullptr,
                                                     nullptr) &&
                out != nullptr) {
                into->text = out;
            }
            into->done = true;
        },
        &read);
    if (!wait_until([&] { return read.done; })) {
        g_subprocess_force_exit(process);
        wait_until([&] { return read.done; });
        return {};
    }
    // After the header line, one line per pixel: "x,y: (r,g,b)  #RRGGBB  srgb(...)".
    std::vector<std::string> colours;
    for (std::size_t hash = read.text.find('#', read.text.find('\n'));
         hash != std::string::npos && hash + 7 <= read.text.size();
         hash = read.text.find('#', read.text.find('\n', hash))) {
        colours.push_back(read.text.substr(hash, 7));
    }
    return colours;
}

std::string screen_pixel(int x, int y_from_bottom) {
    const std::vector<std::string> colours = screen_colours(x, y_from_bottom, 1, 1);
    return colours.empty() ? "" : colours.front();
}

bool move_pointer(int x, int y_from_bottom) {
    const std::string line =
        "w=$(xdotool getactivewindow) && eval $(xdotool getwindowgeometry --shell $w) && "
        "xdotool mousemove --window $w " +
        std::to_string(x) + " $((HEIGHT - " + std::to_string(y_from_bottom) + "))";
    g_autofree gchar* quoted = g_shell_quote(line.c_str());
    return std::system((std::string("sh -c ") + quoted + " >/dev/null 2>&1").c_str()) == 0;
}

::testing::AssertionResult becomes(const std::function<json()>& read, const json& expected) {
    json last;
    return wait_until([&] { return (last = read()) == expected; })
               ? ::testing::AssertionSuccess()
               : ::testing::AssertionFailure()
                     << "shows " << last.dump() << ", not " << expected.dump();
}

std::size_t ChromePageTest::open(std::vector<SessionTab> tabs, std::size_t active,
                                 WindowKind kind) {
    const std::size_t count = tabs.empty() ? 1 : tabs.size();
    const std::size_t window = create_window(app(), kind, std::move(tabs), active).value_or(0);
    EXPECT_TRUE(wait_until([&] {
        return app().windows.size() > window && app().windows[window].ready_seen &&
               page("D.all('.tab').length", window) == count;
    })) << "the chrome page never showed the window's tabs: ready "
        << (app().windows.size() > window && app().windows[window].ready_seen) << ", at "
        << (app().windows.size() > window ? chrome(window).uri() : "") << ", loading "
        << (app().windows.size() > window && chrome(window).is_loading()) << ", queued "
        << world().queue->size();
    return window;
}

json ChromePageTest::page(const std::string& script, std::size_t window) {
    return drive(chrome(window), script);
}

::testing::AssertionResult ChromePageTest::shows(const std::string& script, const json& expected,
                                                 std::size_t window) {
    return becomes([&] { return page(script, window); }, expected);
}

bool ChromePageTest::install_keys() {
    install_app_menu(*world().platform, EventLoopProxy(world().queue));
    return xdotool({"version"});
}

void ChromePageTest::command(std::string_view id) {
    ControlFlow flow = ControlFlow::wait;
    run_command(app(), id, flow);
}

::testing::AssertionResult ChromePageTest::loaded(std::size_t window, std::size_t tab,
                                                  const std::string& title) {
    const std::vector<Tab>& tabs = app().windows.at(window).tabs;
    return becomes(
        [&] {
            return tab < tabs.size() ? json{tabs[tab].title, tabs[tab].loading} : json();
        },
        {title, false});
}

} // namespace corvane::test
