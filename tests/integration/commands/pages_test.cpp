// Real pages in real windows: downloads landing in the download folder with their marks, website
// data really cleared from the persistent store only, tabs really put to sleep and woken with their
// Back list, the sleep guard's answers from pages in use.
#include "chrome_driver.h"
#include "core/navigate.h"
#include "core/sleeping.h"
#include "core/tabs.h"
#include "engine/website_data.h"
#include "integration/tls_tunnel.h"
#include "platform/gtk/gtk_network.h"
#include "platform/gtk/gtk_web_view.h"
#include "store/store.h"
#include "support/web_processes.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <glib.h>
#include <random>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace corvane::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::size_t kHeldPiece = 64 * 1024;
std::atomic<bool> release_held{false};

// Shows the query, the cookie, the local storage and the IndexedDB value in the title, over and
// over; put(v) stores v in all three.
constexpr const char* kDataPage = R"(<title>reading</title><script>
const db = (then) => { const r = indexedDB.open('d'); r.onupgradeneeded = () => r.result.createObjectStore('s');
    r.onsuccess = () => { then(r.result); r.result.close(); }; };
setInterval(() => db((d) => { const q = d.transaction('s').objectStore('s').get('k'); q.onsuccess = () => {
    document.title = [location.search, (document.cookie.match(/c=(\w+)/) || [])[1] || '-',
                      localStorage.getItem('l') || '-', q.result || '-'].join(' ').trim(); }; }), 100);
const put = (v) => { document.cookie = 'c=' + v + '; max-age=3600'; localStorage.setItem('l', v);
    db((d) => d.transaction('s', 'readwrite').objectStore('s').put(v, 'k')); };
</script>)";

std::string repeat(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

// A name of any bytes, percent-encoded as UTF-8.
HttpResponse attachment(const std::string& name, std::string body) {
    std::string encoded;
    for (const unsigned char byte : name) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%%%02X", byte);
        encoded += hex;
    }
    const std::string disposition = "attachment; filename*=UTF-8''" + encoded;
    return {
        200, "application/octet-stream", std::move(body), {{"Content-Disposition", disposition}}};
}

std::string gzip(const std::string& data) {
    g_autoptr(GZlibCompressor) compressor = g_zlib_compressor_new(G_ZLIB_COMPRESSOR_FORMAT_GZIP, 9);
    g_autoptr(GOutputStream) memory = g_memory_output_stream_new_resizable();
    g_autoptr(GOutputStream) out = g_converter_output_stream_new(memory, G_CONVERTER(compressor));
    g_output_stream_write_all(out, data.data(), data.size(), nullptr, nullptr, nullptr);
    g_output_stream_close(out, nullptr, nullptr);
    auto* bytes =
        static_cast<const char*>(g_memory_output_stream_get_data(G_MEMORY_OUTPUT_STREAM(memory)));
    return {bytes, g_memory_output_stream_get_data_size(G_MEMORY_OUTPUT_STREAM(memory))};
}

// Bytes that do not compress: gzip makes them longer.
std::string random_bytes(std::size_t size) {
    std::mt19937 generator(21);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

std::string xattr(const fs::path& file, const char* name) {
    char value[1024];
    const ssize_t size = getxattr(file.c_str(), name, value, sizeof value);
    return {value, static_cast<std::size_t>(std::max<ssize_t>(size, 0))};
}

class Pages : public ChromePageTest {
protected:
    // Loads the url in the first window's tab and waits until it shows the page.
    ::testing::AssertionResult show(std::size_t index, const std::string& url,
                                    const std::string& title) {
        tab(0, index).webview->load_url(url);
        return becomes(
            [&] {
                const Tab& shown = tab(0, index);
                return json{shown.url, shown.title, shown.loading};
            },
            {url, title, false});
    }
    // From now on the chrome page keeps every toast text it shows in window.toasts.
    void record_toasts() {
        page("window.toasts = []; new MutationObserver(() => toasts.push(D.$('#toast')"
             ".textContent)).observe(D.$('#toast'), {childList: true}); 0");
    }
    void SetUp() override {
        ChromePageTest::SetUp();
        serve_page("/data", html_page(kDataPage));
        serve_page("/report.txt", attachment("report.txt", "fresh report"));
        serve_page("/files", html_page("<title>Files</title><a href=/report.txt>r</a>"
                                       "<a href=/cut/broken.bin>b</a><a href=/held/big.bin>h</a>"
                                       "<a href=/long/a>a</a><a href=/long/e>e</a>"
                                       "<a href=/noise.bin>n</a>"));
        // Names longer than the file system takes once WebKit's own mark is added.
        serve_page("/long/a", attachment(std::string(246, 'a') + ".txt", "long a"));
        serve_page("/long/e", attachment(repeat("\u00e9", 150) + ".txt", "long e"));
        // Its announced length is the encoded one, longer than the file.
        HttpResponse noise = attachment("noise.bin", gzip(random_bytes(100000)));
        noise.headers.emplace_back("Content-Encoding", "gzip");
        serve_page("/noise.bin", noise);
        // The server closes the connection a little into a long body.
        server().stream("/cut/broken.bin",
                        {attachment("broken.bin", ""), 200000, [](const auto& send) {
                             send(std::string(1000, 'x'));
                         }});
        // Half the body, then the rest once the test lets it go.
        server().stream("/held/big.bin",
                        {attachment("big.bin", ""), 2 * kHeldPiece, [](const auto& send) {
                             send(std::string(kHeldPiece, 'h'));
                             for (int i = 0; i < 300 && !release_held; ++i) {
                                 g_usleep(100 * 1000);
                             }
                             send(std::string(kHeldPiece, 't'));
                         }});
        // Two seconds of silence, 8 kHz 8-bit mono PCM: media that plays all the same.
        const std::string wav("RIFF\xa4\x3e\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1f\0\0\x40\x1f"
                              "\0\0\x01\0\x08\0data\x80\x3e\0\0",
                              44);
        serve_page("/tone.wav", {200, "audio/wav", wav + std::string(16000, '\x80'), {}});
        // The XDG Download folder, named by the user's folder settings and not there yet.
        const fs::path config = fs::path(g_get_user_config_dir()) / "user-dirs.dirs";
        fs::create_directories(config.parent_path());
        write_file(config, "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"\n");
        g_reload_user_special_dirs_cache();
    }
};

TEST_F(Pages, DownloadsLandMarkedInTheDownloadFolder) {
    const fs::path folder = fs::path(g_get_home_dir()) / "Fetched";
    // The link's path, the file's name, its bytes on disk (none: the download failed).
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"/report.txt", "report.txt", "fresh report"},
        {"/report.txt", "report (1).txt", "fresh report"},
        {"/cut/broken.bin", "broken.bin", ""},
        // Cut before the extension, on a character boundary, with room for " (1)".
        {"/long/a", std::string(236, 'a') + ".txt", "long a"},
        {"/long/e", repeat("\u00e9", 118) + ".txt", "long e"},
        {"/noise.bin", "noise.bin", random_bytes(100000)},
        // Its tab closes while it is under way.
        {"/held/big.bin", "big.bin", std::string(kHeldPiece, 'h') + std::string(kHeldPiece, 't')},
    };
    open({{page_url("/article-start"), ""}, {page_url("/article-other"), ""}});
    int load = 0;
    for (const auto& [path, name, body] : cases) {
        SCOPED_TRACE(name);
        // A page may start one download by itself after each load.
        ASSERT_TRUE(show(0, page_url("/files?" + std::to_string(load++)), "Files"));
        const std::size_t index = app().downloads.size();
        evaluate(*tab(0, 0).webview, "document.querySelector('a[href=\"" + path + "\"]').click()");
        ASSERT_TRUE(wait_until([&] { return app().downloads.size() > index; }));
        const Download& record = app().downloads[index];
        EXPECT_EQ(json({record.url, record.path}),
                  json({page_url(path), (folder / name).string()}));
        if (name == "big.bin") {
            close_tab(app(), 0, tab(0, 0).id);
            release_held = true;
        }
        ASSERT_TRUE(wait_until([&] { return record.state != "active"; }));
        EXPECT_EQ(record.state, body.empty() ? "failed" : "done");
        if (name == "noise.bin") {
            EXPECT_TRUE(shows("D.$('#toast').textContent", "Downloaded noise.bin"));
        }
        EXPECT_EQ(fs::exists(record.path) ? read_file(record.path) : "", body);
        if (!body.empty()) {
            // WebKit writes the origin after it reports the download finished.
            EXPECT_TRUE(wait_until(
                [&] { return xattr(record.path, "user.xdg.origin.url") == record.url; }));
            // Its form is the unit tests'; here, that it is on the file, stamped now.
            const std::string mark = xattr(record.path, "user.com.apple.quarantine");
            EXPECT_NEAR(std::stoll(mark.substr(5), nullptr, 16), std::time(nullptr), 60) << mark;
        }
    }
    EXPECT_EQ(read_file(folder / "report.txt"), "fresh report") << "the second left the first";
}

// The files of the download folder whose names begin with prefix.
std::vector<std::string> saved(const std::string& prefix) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(fs::path(g_get_home_dir()) / "Fetched", error)) {
        if (entry.path().filename().string().starts_with(prefix)) {
            names.push_back(entry.path().filename().string());
        }
    }
    return names;
}

// Pages that start downloads nobody asked for: twenty attachment frames, a timer that goes to an
// attachment twenty times, a click whose handler starts five. Each gets one download.
TEST_F(Pages, APageGetsOneDownloadAPressAndOneOfItsOwnAfterItLoads) {
    std::string frames = "<title>Frames</title>";
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        serve_page("/frame/" + n, attachment("frame-" + n + ".txt", "frame"));
        serve_page("/tick/" + n, attachment("tick-" + n + ".txt", "tick"));
        serve_page("/five/" + n, attachment("five-" + n + ".txt", "five"));
        frames += "<iframe src=/frame/" + n + "></iframe>";
    }
    serve_page("/frames", html_page(frames));
    serve_page("/ticks", html_page("<title>Ticks</title><script>let n = 0; const timer = "
                                   "setInterval(() => { location.href = '/tick/' + n; if (++n "
                                   "== 20) clearInterval(timer) }, 100)</script>"));
    serve_page("/five", html_page("<title>Five</title><button style=position:fixed;inset:0 "
                                  "onclick=\"for (let i = 0; i < 5; i++) { const f = document."
                                  "createElement('iframe'); f.src = '/five/' + i; document.body."
                                  "append(f) }\">five</button>"));
    open({{page_url("/article-start"), ""}});
    record_toasts();
    // The page, its title, the prefix of its files, whether the person clicks.
    const std::tuple<std::string, std::string, std::string, bool> cases[] = {
        {"/frames", "Frames", "frame-", false},
        {"/ticks", "Ticks", "tick-", false},
        {"/five", "Five", "five-", true},
    };
    for (const auto& [path, title, prefix, click] : cases) {
        SCOPED_TRACE(path);
        page("toasts.length = 0");
        const std::size_t before = app().downloads.size();
        ASSERT_TRUE(show(0, page_url(path), title));
        if (click) {
            ASSERT_TRUE(xdotool(
                {"getactivewindow", "mousemove", "--window", "%1", "400", "400", "click", "1"}));
        }
        EXPECT_TRUE(shows("toasts.includes('Blocked: automatic download')", true));
        ASSERT_TRUE(wait_until([&] {
            return app().downloads.size() > before && app().downloads.back().state != "active";
        }));
        // The timer's last tick comes two seconds after the page loads.
        pump(2500ms);
        EXPECT_EQ(saved(prefix).size(), 1u) << json(saved(prefix));
        EXPECT_EQ(app().downloads.size(), before + 1);
        EXPECT_EQ(page("toasts.filter(t => t.startsWith('Blocked')).length"), 1) << "once a page";
    }
    // A press gives the page one download more.
    ASSERT_TRUE(
        xdotool({"getactivewindow", "mousemove", "--window", "%1", "400", "400", "click", "1"}));
    EXPECT_TRUE(wait_until([&] { return saved("five-").size() == 2; }));
    // The page has used what it was allowed; an address the person types is theirs.
    serve_page("/typed.bin", attachment("typed.bin", "typed"));
    navigate(app(), 0, page_url("/typed.bin"), NavigateTarget::active_tab);
    EXPECT_TRUE(wait_until([&] { return saved("typed").size() == 1; }));
}

// Local paths that are not files or folders: nothing is read, nothing is written; a file is
// downloaded as any other, with its toasts and the downloads button's mark.
TEST_F(Pages, ALocalDeviceIsRefusedAndALocalFileDownloads) {
    const TempDir local;
    ASSERT_EQ(mkfifo((local / "fifo").c_str(), 0600), 0);
    write_file(local / "notes.bin", std::string(3000, '\x01'));
    open({{page_url("/article-start"), ""}});
    record_toasts();
    const std::size_t before = app().downloads.size();
    for (const std::string& device :
         std::vector<std::string>{"/dev/null", (local / "fifo").string(), "/dev/zero"}) {
        SCOPED_TRACE(device);
        page("toasts.length = 0");
        navigate(app(), 0, "file://" + device, NavigateTarget::active_tab);
        ASSERT_TRUE(
            wait_until([&] { return !page("toasts").empty() || app().downloads.size() > before; }));
        if (app().downloads.size() > before) {
            // A download of /dev/zero never ends: its writer goes at once.
            for (const pid_t network : network_processes()) {
                kill(network, SIGKILL);
            }
            FAIL() << "it became a download";
        }
        EXPECT_EQ(page("toasts"), json::array({"Blocked: not a regular file"}));
        EXPECT_EQ(saved(fs::path(device).filename().string()), std::vector<std::string>{});
    }
    page("toasts.length = 0");
    navigate(app(), 0, "file://" + (local / "notes.bin").string(), NavigateTarget::active_tab);
    ASSERT_TRUE(wait_until(
        [&] { return app().downloads.size() > before && app().downloads.back().state == "done"; }));
    EXPECT_TRUE(becomes([&] { return page("toasts"); },
                        json::array({"Downloading notes.bin", "Downloaded notes.bin"})));
    EXPECT_TRUE(shows("!D.$('#dl-dot').hidden", true));
    EXPECT_EQ(read_file(app().downloads.back().path), read_file(local / "notes.bin"));
}

TEST_F(Pages, ClearingWebsiteDataEmptiesThePersistentStoreOnly) {
    open({{page_url("/data"), ""}});
    const std::size_t secret = open({{page_url("/data"), ""}}, 0, WindowKind::private_browsing);
    ASSERT_TRUE(loaded(0, 0, "- - -") && loaded(secret, 0, "- - -"));
    evaluate(*tab(0, 0).webview, "put('kept')");
    evaluate(*tab(secret, 0).webview, "put('secret')");
    ASSERT_TRUE(loaded(0, 0, "kept kept kept") && loaded(secret, 0, "secret secret secret"));
    clear_website_data(app().engine);
    EXPECT_TRUE(loaded(0, 0, "- - -"));
    // A fresh load reads the stores, not what the page kept in memory.
    tab(0, 0).webview->load_url(page_url("/data?again"));
    tab(secret, 0).webview->load_url(page_url("/data?again"));
    EXPECT_TRUE(loaded(0, 0, "?again - - -") && loaded(secret, 0, "?again secret secret secret"));
}

TEST_F(Pages, AnIdleTabSleepsWithItsProcessAndWakesWhereItWasAndPagesInUseRefuse) {
    open({{page_url("/article-front"), ""}, {page_url("/article-idle"), ""}}, 1);
    ASSERT_TRUE(loaded(0, 1, "Article idle"));
    const auto width = [&] {
        return js(*tab(0, 1).webview, "innerWidth").get<double>();
    };
    const double plain = width();
    command("zoomIn");
    ASSERT_TRUE(wait_until([&] { return width() < plain - 2; }));
    const double zoomed = width();
    // The page moved on by itself; it sleeps at its own address, and its process is the largest.
    evaluate(*tab(0, 1).webview, "history.pushState({}, '', '?moved');"
                                 "window.ballast = new Uint8Array(200 << 20).fill(1); 0");
    const std::optional<pid_t> process = largest_web_process();
    ASSERT_TRUE(process);
    select_tab(app(), 0, 0);
    ASSERT_TRUE(loaded(0, 0, "Article front"));
    app().store.settings.sleep_after_mins = 1;
    tab(0, 1).last_active = app().now() - std::chrono::seconds(61);
    sleep_tick(app());
    app().store.settings = Settings{};
    ASSERT_TRUE(wait_until([&] { return !tab(0, 1).webview; }));
    EXPECT_TRUE(wait_until([&] { return kill(*process, 0) != 0; })) << "its web process ended";
    EXPECT_EQ(tab(0, 1).url, page_url("/article-idle?moved"));
    select_tab(app(), 0, 1);
    ASSERT_TRUE(loaded(0, 1, "Article idle"));
    EXPECT_TRUE(
        wait_until([&] { return tab(0, 1).webview->uri() == page_url("/article-idle?moved"); }));
    EXPECT_TRUE(wait_until([&] { return std::abs(width() - zoomed) < 2; }));
    // It kept its Back list through the sleep.
    command("back");
    EXPECT_TRUE(wait_until([&] { return tab(0, 1).webview->uri() == page_url("/article-idle"); }));

    // Pages in use tell the sleep guard: the element of the guard page that is played or typed
    // into, and the page's answer.
    serve_page("/guard",
               html_page("<title>Guard</title><audio id=loud src=/tone.wav loop></audio>"
                         "<video id=quiet src=/tone.wav loop muted></video><textarea "
                         "id=area></textarea><div id=editable contenteditable>x</div>"
                         "<input id=search type=search><script>use = (e) => e.play ? (e.play"
                         "(), !e.paused && e.readyState > 2) : (e.focus(), document.exec"
                         "Command('insertText', false, 'draft'))</script>"));
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"loud", "media"}, {"quiet", "ok"}, {"area", "typed"}, {"editable", "typed"}, {"search", "ok"}};
    // clang-format on
    std::size_t i = 2;
    for (const auto& [element, answer] : cases) {
        SCOPED_TRACE(element);
        add_tab(app(), 0, page_url("/guard"), TabFocus::background, TabPlace::at_end);
        ASSERT_TRUE(loaded(0, i, "Guard"));
        EXPECT_TRUE(wait_until(
            [&] { return js(*tab(0, i).webview, "use(" + std::string(element) + ")") == true; }));
        EXPECT_EQ(js(*tab(0, i++).webview, std::string(kSleepGuardScript)), answer);
    }
}

// A click whose handler calls print() twenty times shows one print dialog. A handler after the
// browser's counts each print WebKit would go on to show and claims it, so none runs: WebKit shows
// GTK's dialog or, where it thinks itself sandboxed, asks the desktop's print portal, which a test
// bus lacks. Each call reaches the browser before the page goes on, so the new title ends the
// count.
TEST_F(Pages, APageGetsOnePrintDialogAPress) {
    serve_page("/print", html_page("<title>Print</title><button style=position:fixed;inset:0 "
                                   "onclick=\"for (let i = 0; i < 20; i++) print(); document.title"
                                   " = 'Printed'\">print</button>"));
    open({{page_url("/print"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Print"));
    auto* view = dynamic_cast<platform::gtk::GtkWebView*>(tab(0, 0).webview.get());
    ASSERT_NE(view, nullptr);
    int dialogs = 0;
    g_signal_connect(view->web_view(), "print",
                     G_CALLBACK(+[](WebKitWebView*, WebKitPrintOperation*, int* count) -> gboolean {
                         ++*count;
                         return TRUE;
                     }),
                     &dialogs);
    ASSERT_TRUE(
        xdotool({"getactivewindow", "mousemove", "--window", "%1", "400", "400", "click", "1"}));
    EXPECT_TRUE(loaded(0, 0, "Printed"));
    g_signal_handlers_disconnect_matched(view->web_view(), G_SIGNAL_MATCH_DATA, 0, 0, nullptr,
                                         nullptr, &dialogs);
    EXPECT_EQ(dialogs, 1);
}

// WebKit's network process ends under a download: it fails, and nothing is left under its name,
// neither the file that looks finished nor the part written.
TEST_F(Pages, ADownloadWhoseNetworkProcessEndedFailsAndLeavesNoFile) {
    static std::atomic<bool> release{false};
    server().stream("/orphan/stuck.bin",
                    {attachment("stuck.bin", ""), 2 * kHeldPiece, [](const auto& send) {
                         send(std::string(kHeldPiece, 's'));
                         for (int i = 0; i < 300 && !release; ++i) {
                             g_usleep(100 * 1000);
                         }
                     }});
    serve_page("/orphan", html_page("<title>Orphan</title><a href=/orphan/stuck.bin>s</a>"));
    open({{page_url("/orphan"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Orphan"));
    const std::size_t index = app().downloads.size();
    evaluate(*tab(0, 0).webview, "document.querySelector('a').click()");
    ASSERT_TRUE(wait_until([&] { return app().downloads.size() > index; }));
    const Download& record = app().downloads[index];
    const fs::path part = record.path + ".wkdownload";
    ASSERT_TRUE(wait_until([&] { return fs::exists(part) && fs::file_size(part) > 0; }));
    const std::vector<pid_t> network = network_processes();
    ASSERT_EQ(network.size(), 1u);
    kill(network[0], SIGKILL);
    EXPECT_TRUE(wait_until([&] { return record.state == "failed"; })) << record.state;
    EXPECT_TRUE(shows("D.$('#toast').textContent", "Download failed: stuck.bin"));
    EXPECT_TRUE(shows("!D.$('#dl-dot').hidden", true));
    EXPECT_FALSE(fs::exists(record.path));
    EXPECT_FALSE(fs::exists(part));
    release = true;
    // WebKit starts a new network process: the next download goes as ever.
    ASSERT_TRUE(show(0, page_url("/files?after"), "Files"));
    evaluate(*tab(0, 0).webview, "document.querySelector('a[href=\"/report.txt\"]').click()");
    ASSERT_TRUE(wait_until([&] { return app().downloads.size() > index + 1; }));
    EXPECT_TRUE(wait_until([&] { return app().downloads.back().state == "done"; }));
}

// An address on a port the engine refuses shows why, at that address, rather than an empty page.
TEST_F(Pages, AnAddressOnARefusedPortShowsWhy) {
    open({{"http://127.0.0.1:9/", ""}});
    EXPECT_TRUE(becomes(
        [&] {
            return json{tab(0, 0).url,
                        js(*tab(0, 0).webview, "document.body && document.body.textContent")};
        },
        {"http://127.0.0.1:9/", "Not allowed to use restricted network port"}));
}

// A page that did not come over a connection WebKit accepted is never shown as secure, in the
// address field and in the Shield card: an https page whose certificate is refused (a name that
// does not resolve: the engine test). The test's names reach the loopback server as a proxy,
// whose TLS certificate the store trusts for one host only. Last: a window opened after it in this
// program did not always get its chrome page ready (not seen outside this program).
TEST_F(Pages, OnlyAPageOverAnAcceptedConnectionIsSecure) {
    // A private window: its store, and the proxy and trust set on it, go with it.
    open({{page_url("/article-start"), ""}}, 0, WindowKind::private_browsing);
    WebKitNetworkSession* session =
        dynamic_cast<platform::gtk::GtkNetworkSession&>(*app().windows[0].data_store).session();
    g_autoptr(WebKitNetworkProxySettings) proxy =
        webkit_network_proxy_settings_new(server().origin().c_str(), nullptr);
    webkit_network_session_set_proxy_settings(session, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, proxy);
    webkit_network_session_allow_tls_certificate_for_host(session, test_certificate(),
                                                          "trusted.corvane-test.example");
    server().tunnel({"trusted.corvane-test.example", "refused.corvane-test.example"},
                    [](int socket, const std::string&) { return open_tls(socket); });
    // address, its state as the chrome page receives it, the Shield card's line
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"https://trusted.corvane-test.example/article-ok", "secure", "Connection is secure"},
        // A name of the local network (reaching the loopback server as its proxy): not upgraded,
        // and in clear text.
        {"http://printer.local/article-lan", "insecure", "This site has no HTTPS."},
        {"https://refused.corvane-test.example/article-no", "insecure",
         "This site's certificate was not accepted."},
    };
    for (const auto& [address, state, line] : cases) {
        SCOPED_TRACE(address);
        tab(0, 0).webview->load_url(address);
        EXPECT_TRUE(
            shows("S.url + ' ' + S.sec + ' ' + S.loading", address + " " + state + " false"));
        page("D.$('#shield').click()");
        EXPECT_TRUE(
            shows("D.$('#shield-pop').textContent.includes(" + json(line).dump() + ")", true));
        page("D.key('#shield-pop', 'Escape')");
    }
}

} // namespace
} // namespace corvane::test
