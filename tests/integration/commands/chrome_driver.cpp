#include "chrome_driver.h"

#include "core/menu_model.h"
#include "support/loopback_server.h"

#include <cmath>
#include <cstdint>
#include <glib.h>

namespace corvane::test {

namespace {

// A 16 by 16 orange disc: a site icon that needs no network.
constexpr const char* kIcon =
    "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAYAAAAf8/9hAAAAQUlEQVR42mNgwAJeRfD8x4"
    "YZCAFcGokyiFjNWA0hVTOGIRQZgEsSHeA0hBjN+"
    "AwZrgaQFIgDnw6okpSpkpnIzc4Ay18UjzlbGRsAAAAASUVORK5CYII=";

HttpResponse html(std::string body, bool no_store = false) {
    HttpResponse response = html_page(std::move(body));
    if (no_store) {
        response.headers.emplace_back("Cache-Control", "no-store");
    }
    return response;
}

std::string article(const std::string& title, const std::string& heading) {
    return "<title>" + title + "</title><link rel=icon href='" + kIcon +
           "'><style>body{font:16px sans-serif;margin:40px auto;max-width:680px;color:#222}"
           "h1{font-size:30px}p{line-height:1.5}</style><h1>" +
           heading +
           "</h1><p>Lorem ipsum dolor sit amet, consectetur adipiscing elit. Integer nec odio. "
           "Praesent libero. Sed cursus ante dapibus diam.</p><p>find-me once, find-me twice.</p>";
}

// Two seconds of a 440 Hz tone: 8 kHz, 16-bit mono PCM in a WAV file.
std::string tone_wav() {
    constexpr std::uint32_t rate = 8000;
    constexpr std::uint32_t samples = 2 * rate;
    std::string wav;
    const auto put = [&wav](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            wav += static_cast<char>((value >> (8 * i)) & 0xff);
        }
    };
    wav += "RIFF";
    put(36 + 2 * samples, 4);
    wav += "WAVEfmt ";
    put(16, 4);
    put(1, 2); // PCM
    put(1, 2); // mono
    put(rate, 4);
    put(2 * rate, 4);
    put(2, 2);
    put(16, 2);
    wav += "data";
    put(2 * samples, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        put(static_cast<std::uint16_t>(
                static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265358979 * 440 * i / rate))),
            2);
    }
    return wav;
}

HttpResponse serve(const HttpRequest& request) {
    const std::string& path = request.path;
    if (path.starts_with("/article-")) {
        const std::string name = path.substr(9);
        return html(article("Article " + name, "Article " + name));
    }
    if (path == "/find") {
        // Three matches, and runs of 512 "é" and 511 "ü" for the length of a query.
        return html("<title>Find</title><p id=a>find-me one</p><p id=b>find-me two</p>"
                    "<p id=c>find-me three</p><p id=e>" +
                    repeated("é", 512) + "</p><p id=u>" + repeated("ü", 511) + "</p>");
    }
    if (path == "/tone.wav") {
        static const std::string tone = tone_wav();
        return HttpResponse{200, "audio/wav", tone, {}};
    }
    if (path.starts_with("/guard-")) {
        // What may keep a tab awake: playing media, full screen, fields to type into.
        return html("<title>Guard " + path.substr(7) +
                    "</title><audio id=loud src=/tone.wav loop></audio>"
                    "<video id=quiet src=/tone.wav loop muted></video><textarea id=area></textarea>"
                    "<div id=editable contenteditable>x</div><input id=search type=search>");
    }
    if (path == "/markup-title") {
        // The title is text that looks like markup; a page that parsed it would load x.png.
        return html("<title>&lt;img src=/x.png onerror=alert(1)&gt; Tom &amp; Jerry</title>hi");
    }
    if (path == "/broken-icon") {
        return html("<title>Broken icon</title><link rel=icon href='https://127.0.0.1:9/i.png'>");
    }
    if (path == "/slow") {
        g_usleep(2500 * 1000); // the tab shows its spinner meanwhile
        return html("<title>Slow</title>slow", true);
    }
    if (path == "/news") {
        // The tracker's script runs before the page's own, which always marks the title.
        return html("<title>news</title><script src='http://doubleclick.net/ad.js'></script>"
                    "<script>document.title += ' done'</script>",
                    true);
    }
    if (path == "/ad.js") {
        return HttpResponse{200, "text/javascript", "document.title += ' ad-ran'", {}};
    }
    if (path == "/file.bin") {
        return HttpResponse{200,
                            "application/octet-stream",
                            std::string(4096, 'x'),
                            {{"Content-Disposition", "attachment; filename=\"file.bin\""}}};
    }
    return HttpResponse{404, "text/plain", "missing", {}};
}

// Helpers for dispatching DOM events and reading the chrome back, defined once per page. D.sent
// records every message the page posts from then on, as the bridge sees it.
constexpr const char* kDriver = R"JS(
if (!window.D) {
    document.addEventListener('corvane-ipc', (e) => D.sent.push(JSON.parse(e.detail)));
    document.addEventListener('securitypolicyviolation',
        (e) => D.refused.push(e.violatedDirective + ' ' + e.blockedURI));
    addEventListener('error', (e) => D.errors.push(String(e.message)));
}
window.D = window.D || {
    sent: [],
    refused: [], // what the page's security policy blocked
    errors: [],  // uncaught script errors
    $(sel) { return typeof sel === 'string' ? document.querySelector(sel) : sel; },
    key(sel, key, mods) {
        const ev = new KeyboardEvent('keydown',
            Object.assign({ key, bubbles: true, cancelable: true }, mods || {}));
        D.$(sel).dispatchEvent(ev);
        return ev.defaultPrevented;
    },
    type(sel, text, inputType) {
        const input = D.$(sel);
        input.focus();
        input.value = text;
        input.dispatchEvent(new InputEvent('input',
            { inputType: inputType || 'insertText', data: text, bubbles: true }));
        return input.value;
    },
    mouse(sel, type, opts) {
        const r = D.$(sel).getBoundingClientRect();
        const ev = new MouseEvent(type, Object.assign({ bubbles: true, cancelable: true,
            clientX: r.left + r.width / 2, clientY: r.top + r.height / 2, button: 0, detail: 1 },
            opts || {}));
        D.$(sel).dispatchEvent(ev);
        return ev.defaultPrevented;
    },
    rect(sel) { return D.$(sel).getBoundingClientRect().toJSON(); },
    texts(sel) { return [...document.querySelectorAll(sel)].map((e) => e.textContent); },
    icons(sel) {
        return [...document.querySelectorAll(sel + ' use')].map((u) => u.getAttribute('href'));
    },
    pointer(type, sel, x, button) {
        const target = D.$(sel);
        const r = target.getBoundingClientRect();
        const clientX = x === undefined ? r.left + r.width / 2 : x;
        target.dispatchEvent(new PointerEvent(type, { bubbles: true, cancelable: true,
            button: button || 0, clientX, clientY: r.top + r.height / 2, pointerId: 1,
            isPrimary: true }));
    },
    tab(i) { return document.querySelectorAll('.tab')[i]; },
    strip() {
        return [...document.querySelectorAll('.tab')].map((e) => {
            const use = e.querySelector('.tab-icon use');
            return {
                id: +e.dataset.id,
                title: e.querySelector('.tab-title').textContent,
                titleNodes: e.querySelector('.tab-title').childElementCount,
                active: e.classList.contains('active'),
                sleeping: e.classList.contains('sleeping'),
                loading: !!e.querySelector('.spinner'),
                icon: e.querySelector('.tab-icon img') ? 'img'
                    : use ? use.getAttribute('href').slice(3) : '',
            };
        });
    },
    shown(id) {
        const e = document.getElementById(id);
        return !!e && !e.hidden && getComputedStyle(e).display !== 'none';
    },
};
)JS";

} // namespace

std::string repeated(std::string_view text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += text;
    }
    return out;
}

LoopbackServer& server() {
    static LoopbackServer instance(serve);
    return instance;
}

std::string page_url(const std::string& path) {
    return server().origin() + path;
}

nlohmann::json js(platform::WebView& view, const std::string& script) {
    const std::optional<std::string> text = evaluate(view, script);
    if (!text || text->empty()) {
        return nullptr;
    }
    return nlohmann::json::parse(*text, nullptr, false);
}

bool xdotool(const std::vector<std::string>& args) {
    gchar* program = g_find_program_in_path("xdotool");
    if (program == nullptr) {
        return false;
    }
    std::vector<gchar*> argv{program};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<gchar*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    gint status = -1;
    const gboolean ran = g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL,
                                      nullptr, nullptr, nullptr, nullptr, &status, nullptr);
    g_free(program);
    return ran && g_spawn_check_wait_status(status, nullptr);
}

void ChromePageTest::SetUp() {
    BrowserTest::SetUp();
    static const bool menu_installed = [] {
        install_app_menu(*world().platform, EventLoopProxy(world().queue));
        return true;
    }();
    ASSERT_TRUE(menu_installed);
}

std::size_t ChromePageTest::open(std::vector<SessionTab> tabs, std::size_t active,
                                 WindowKind kind) {
    const std::size_t count = tabs.empty() ? 1 : tabs.size();
    const std::optional<std::size_t> index = create_window(app(), kind, std::move(tabs), active);
    EXPECT_TRUE(index);
    const std::size_t window = index.value_or(0);
    EXPECT_TRUE(wait_until([&] {
        return app().windows.size() > window && app().windows[window].ready_seen &&
               strip(window).size() == count;
    })) << "the chrome page never showed the window's tabs";
    return window;
}

nlohmann::json drive(platform::WebView& chrome, const std::string& script) {
    // A block, so that declarations of one call do not clash with the next one's.
    return js(chrome, std::string(kDriver) + ";\n{" + script + "\n}");
}

nlohmann::json ChromePageTest::page(const std::string& script, std::size_t window) {
    return drive(chrome(window), script);
}

nlohmann::json ChromePageTest::type_into(const std::string& selector, const std::string& text,
                                         std::size_t window) {
    const std::string field = "D.$(" + nlohmann::json(selector).dump() + ")";
    chrome(window).focus();
    EXPECT_TRUE(wait_until([&] { return page("document.hasFocus()", window) == true; }));
    page(field + ".focus()", window);
    EXPECT_TRUE(
        wait_until([&] { return page("document.activeElement === " + field, window) == true; }));
    return page("D.type(" + field + ", " + nlohmann::json(text).dump() + ")", window);
}

nlohmann::json ChromePageTest::strip(std::size_t window) {
    nlohmann::json shown = page("D.strip()", window);
    return shown.is_array() ? shown : nlohmann::json::array();
}

std::vector<std::string> ChromePageTest::tab_urls(std::size_t window) {
    std::vector<std::string> urls;
    for (const Tab& t : app().windows.at(window).tabs) {
        urls.push_back(t.url);
    }
    return urls;
}

::testing::AssertionResult ChromePageTest::loaded(std::size_t window, std::size_t tab,
                                                  const std::string& title) {
    const bool done = wait_until([&] {
        const std::vector<Tab>& tabs = app().windows.at(window).tabs;
        return tab < tabs.size() && tabs[tab].title == title && !tabs[tab].loading;
    });
    if (done) {
        return ::testing::AssertionSuccess();
    }
    const std::vector<Tab>& tabs = app().windows.at(window).tabs;
    if (tab >= tabs.size()) {
        return ::testing::AssertionFailure() << "the window has " << tabs.size() << " tabs";
    }
    const Tab& shown = tabs[tab];
    return ::testing::AssertionFailure()
           << "the tab shows \"" << shown.title << "\" at " << shown.url
           << (shown.loading ? ", loading" : "") << (shown.webview ? "" : ", asleep")
           << "; the view is at " << (shown.webview ? shown.webview->uri() : std::string("-"));
}

} // namespace corvane::test
