// Real pages in real windows: downloads landing in the download folder with their marks and
// revealed through the file manager's D-Bus interface, website data really cleared from the
// persistent store only, tabs really put to sleep and woken, the sleep guard's answers from pages
// in use, and the Shield card and the settings sheet taking effect on what pages run.
#include "chrome_driver.h"
#include "core/navigate.h"
#include "core/sleeping.h"
#include "core/tabs.h"
#include "engine/shield_wiring.h"
#include "engine/website_data.h"
#include "platform/gtk/gtk_network.h"
#include "shield/shield_rules.h"
#include "store/store.h"
#include "support/web_processes.h"

#include <atomic>
#include <csignal>
#include <filesystem>
#include <gio/gio.h>
#include <mutex>
#include <regex>
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
function put(v) {
    document.cookie = 'c=' + v + '; max-age=3600'; localStorage.setItem('l', v);
    db((d) => d.transaction('s', 'readwrite').objectStore('s').put(v, 'k'));
}
</script>)";

HttpResponse attachment(const std::string& name, std::string body) {
    return {200,
            "application/octet-stream",
            std::move(body),
            {{"Content-Disposition", "attachment; filename=\"" + name + "\""}}};
}

std::string xattr(const fs::path& file, const char* name) {
    char value[1024];
    const ssize_t size = getxattr(file.c_str(), name, value, sizeof value);
    return {value, static_cast<std::size_t>(std::max<ssize_t>(size, 0))};
}

// The file manager on the test's private session bus, a connection of its own, answers ShowItems
// and keeps its arguments. Filters run on GDBus's own thread.
std::mutex shown_lock;
std::string shown_items;

GDBusMessage* show_items(GDBusConnection* connection, GDBusMessage* message, gboolean incoming,
                         gpointer) {
    if (!incoming || g_strcmp0(g_dbus_message_get_member(message), "ShowItems") != 0) {
        return message;
    }
    g_autofree gchar* items = g_variant_print(g_dbus_message_get_body(message), false);
    {
        const std::lock_guard lock(shown_lock);
        shown_items = items;
    }
    g_autoptr(GDBusMessage) reply = g_dbus_message_new_method_reply(message);
    g_dbus_connection_send_message(connection, reply, G_DBUS_SEND_MESSAGE_FLAGS_NONE, nullptr,
                                   nullptr);
    g_object_unref(message);
    return nullptr;
}

class Pages : public ChromePageTest {
protected:
    void SetUp() override {
        ChromePageTest::SetUp();
        serve_page("/data", html_page(kDataPage));
        serve_page("/report.txt", attachment("report.txt", "fresh report"));
        serve_page("/files", html_page("<title>Files</title><a href=/report.txt>r</a>"
                                       "<a href=/cut/broken.bin>b</a><a href=/held/big.bin>h</a>"));
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
        // A tracker's script, for a page of a host that is not local, through the page server as
        // a proxy.
        serve_page("/news", html_page("<title>news</title><script src='http://doubleclick.net/ad."
                                      "js'></script><script>document.title += ' done'</script>"));
        serve_page("/ad.js", {200, "text/javascript", "document.title += ' ad-ran'", {}});
        // The XDG Download folder, named by the user's folder settings and not there yet.
        const fs::path config = fs::path(g_get_user_config_dir()) / "user-dirs.dirs";
        fs::create_directories(config.parent_path());
        write_file(config, "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"\n");
        g_reload_user_special_dirs_cache();
    }
    bool written(const std::string& text) {
        return wait_until([&] {
            return read_file(app().store.dir / kSettingsFile).find(text) != std::string::npos;
        });
    }
};

TEST_F(Pages, DownloadsLandMarkedInTheDownloadFolderAndAreShownInTheFileManager) {
    g_autoptr(GDBusConnection) files = g_dbus_connection_new_for_address_sync(
        g_getenv("DBUS_SESSION_BUS_ADDRESS"),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    ASSERT_TRUE(files) << "no session bus";
    g_dbus_connection_add_filter(files, show_items, nullptr, nullptr);
    g_bus_own_name_on_connection(files, "org.freedesktop.FileManager1", G_BUS_NAME_OWNER_FLAGS_NONE,
                                 nullptr, nullptr, nullptr, nullptr);
    const fs::path folder = fs::path(g_get_home_dir()) / "Fetched";
    // The link's path, the file's name, its bytes on disk (none: the download failed).
    const std::tuple<std::string, std::string, std::string> cases[] = {
        {"/report.txt", "report.txt", "fresh report"},
        {"/report.txt", "report (1).txt", "fresh report"},
        {"/cut/broken.bin", "broken.bin", ""},
        // Its tab closes while it is under way.
        {"/held/big.bin", "big.bin", std::string(kHeldPiece, 'h') + std::string(kHeldPiece, 't')},
    };
    open({{page_url("/files"), ""}, {page_url("/article-other"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Files"));
    for (const auto& [path, name, body] : cases) {
        SCOPED_TRACE(name);
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
        EXPECT_EQ(fs::exists(record.path) ? read_file(record.path) : "", body);
        if (!body.empty()) {
            EXPECT_EQ(xattr(record.path, "user.xdg.origin.url"), record.url);
            const std::string mark = xattr(record.path, "user.com.apple.quarantine");
            std::smatch seconds;
            ASSERT_TRUE(std::regex_match(mark, seconds, std::regex("0083;([0-9a-f]+);Corvane;")));
            EXPECT_NEAR(std::stoll(seconds[1], nullptr, 16), std::time(nullptr), 60);
        }
    }
    EXPECT_EQ(read_file(folder / "report.txt"), "fresh report") << "the second left the first";
    page("D.$('#downloads').click()");
    const std::string show = "D.$(\"#panel [aria-label='Show in Files']\")"; // the newest's
    ASSERT_TRUE(shows("!!" + show, true));
    page(show + ".click()");
    g_autofree char* uri = g_filename_to_uri((folder / "big.bin").c_str(), nullptr, nullptr);
    EXPECT_TRUE(wait_until([&] {
        const std::lock_guard lock(shown_lock);
        return shown_items == std::string("(['") + uri + "'], '')";
    })) << shown_items;
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
    for (const std::size_t window : {std::size_t{0}, secret}) {
        tab(window, 0).webview->load_url(page_url("/data?again"));
    }
    EXPECT_TRUE(loaded(0, 0, "?again - - -"));
    EXPECT_TRUE(loaded(secret, 0, "?again secret secret secret"));
}

TEST_F(Pages, AnIdleTabSleepsWithItsProcessAndWakesWhereItWasWithItsZoom) {
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
    for (Tab& t : app().windows[0].tabs) {
        t.last_active = app().now() - std::chrono::seconds(61);
    }
    sleep_tick(app());
    app().store.settings = Settings{};
    ASSERT_TRUE(wait_until([&] { return !tab(0, 1).webview; }));
    EXPECT_TRUE(wait_until([&] { return kill(*process, 0) != 0; })) << "its web process ended";
    EXPECT_EQ(tab(0, 1).url, page_url("/article-idle?moved"));
    select_tab(app(), 0, 1);
    ASSERT_TRUE(loaded(0, 1, "Article idle"));
    EXPECT_EQ(tab(0, 1).webview->uri(), page_url("/article-idle?moved"));
    EXPECT_TRUE(wait_until([&] { return std::abs(width() - zoomed) < 2; }));
}

TEST_F(Pages, PagesInUseTellTheSleepGuard) {
    // The element of the guard page that is played or typed into, and the page's answer.
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"loud", "media"}, {"quiet", "ok"}, {"area", "typed"}, {"editable", "typed"}, {"search", "ok"}};
    // clang-format on
    serve_page("/guard", html_page("<title>Guard</title><audio id=loud src=/tone.wav loop></audio>"
                                   "<video id=quiet src=/tone.wav loop muted></video><textarea "
                                   "id=area></textarea><div id=editable contenteditable>x</div>"
                                   "<input id=search type=search>"));
    open({{page_url("/article-guard"), ""}});
    for (std::size_t i = 1; i <= std::size(cases); ++i) {
        const auto& [element, answer] = cases[i - 1];
        SCOPED_TRACE(element);
        const std::string use =
            std::string("{const e = ") + element +
            "; e.play ? (e.play(), !e.paused && e.readyState > 2) : (e.focus(), "
            "document.execCommand('insertText', false, 'draft'))}";
        add_tab(app(), 0, page_url("/guard"), TabFocus::background, TabPlace::at_end);
        ASSERT_TRUE(loaded(0, i, "Guard"));
        EXPECT_TRUE(wait_until([&] { return js(*tab(0, i).webview, use) == true; }));
        EXPECT_EQ(js(*tab(0, i).webview, std::string(kSleepGuardScript)), answer);
    }
}

TEST_F(Pages, TheShieldCardAndTheSettingsSheetTakeEffectOnThePages) {
    install_rule_list(app().engine, {});
    ASSERT_TRUE(wait_until([&] { return app().shield_ready; }));
    auto& session = dynamic_cast<platform::gtk::GtkNetworkSession&>(*app().engine.default_store);
    WebKitNetworkProxySettings* proxy =
        webkit_network_proxy_settings_new(page_url("").c_str(), nullptr);
    webkit_network_session_set_proxy_settings(session.session(), WEBKIT_NETWORK_PROXY_MODE_CUSTOM,
                                              proxy);
    webkit_network_proxy_settings_free(proxy);
    open({{"http://news.corvane-test.example/news", ""}, {page_url("/article-two"), ""}});
    ASSERT_TRUE(loaded(0, 0, "news done")) << "the tracker's script is blocked";

    // The card counts the bundled list's rules; its memory figure is the resident size of the
    // browser's processes.
    page("D.$('#shield').click()");
    EXPECT_TRUE(shows("D.$('#shield-pop .rules strong').textContent.replace(/,/g, '')",
                      std::to_string(shield_rule_count()) + " protection rules active"));
    json memory;
    ASSERT_TRUE(wait_until([&] {
        return (memory = page("D.$('#shield-pop .memory strong')?.textContent")).is_string();
    }));
    const double tree_mb = static_cast<double>(process_tree_resident_kib()) / 1024;
    EXPECT_NEAR(std::atof(memory.get<std::string>().c_str()), tree_mb, tree_mb * 0.2) << memory;
    // Off for this site in the card: written to the allowlist, and the open tab loads the
    // tracker; then off for all sites in the settings sheet.
    for (const bool on : {false, true}) {
        app().shield_ready = false;
        page("D.$(\"#shield-pop [role='switch']\").click()");
        EXPECT_TRUE(written(on ? R"("shield_allowlist":[])"
                               : R"("shield_allowlist":["news.corvane-test.example"])"));
        ASSERT_TRUE(wait_until([&] { return app().shield_ready; }));
        command("reload");
        EXPECT_TRUE(loaded(0, 0, on ? "news done" : "news ad-ran done"));
    }
    command("settings");
    ASSERT_TRUE(shows("D.shown('sheet-back')", true));
    // HTTPS-Only tries https first for a new window's tab (the proxy refuses the tunnel), until
    // it is switched off.
    for (const std::string host : {"one.corvane-test.example", "two.corvane-test.example"}) {
        const std::size_t window = open({{"http://" + host + "/news", ""}});
        EXPECT_TRUE(loaded(window, 0, "news done"));
        const std::vector<HttpRequest> seen = server().requests();
        EXPECT_EQ(std::any_of(seen.begin(), seen.end(),
                              [&](const HttpRequest& r) {
                                  return r.method == "CONNECT" && r.target.starts_with(host + ":");
                              }),
                  host.starts_with("one"));
        page("D.$(\"#sheet [aria-label='HTTPS only']\").click()");
        EXPECT_TRUE(
            written(host.starts_with("one") ? R"("https_only":false)" : R"("https_only":true)"));
    }
    webkit_network_session_set_proxy_settings(session.session(), WEBKIT_NETWORK_PROXY_MODE_DEFAULT,
                                              nullptr);
}

} // namespace
} // namespace corvane::test
