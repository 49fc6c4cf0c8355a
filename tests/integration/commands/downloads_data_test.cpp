// Downloads, website data and the memory figure of a real browser window: files on disk with
// their marks, the toasts the chrome page shows, what a page reads back after the data is
// cleared, and the resident sizes ps lists.
#include "chrome_driver.h"
#include "core/sleeping.h"
#include "core/tabs.h"
#include "engine/website_data.h"
#include "support/temp_dir.h"
#include "support/web_processes.h"

#include <atomic>
#include <filesystem>
#include <glib.h>
#include <regex>
#include <sys/xattr.h>

namespace corvane::test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kHeldPiece = 64 * 1024;
std::atomic<bool> release_held{false};

HttpResponse attachment(std::string_view name, std::string body) {
    HttpResponse response{200, "application/octet-stream", std::move(body), {}};
    response.headers.emplace_back("Content-Disposition",
                                  "attachment; filename=\"" + std::string(name) + "\"");
    return response;
}

// Reads the cookie, local storage and IndexedDB values back into the title (after the query, so a
// later load is told apart), over and over, so the title follows the stored data; put(v) stores v
// in all three.
constexpr const char* kDataPage = R"(<title>reading</title><script>
function db(then) {
    const r = indexedDB.open('d');
    r.onupgradeneeded = () => r.result.createObjectStore('s');
    r.onsuccess = () => then(r.result);
}
function show() {
    const cookie = (document.cookie.match(/c=(\w+)/) || [])[1] || '-';
    const local = localStorage.getItem('l') || '-';
    db((d) => {
        const q = d.transaction('s').objectStore('s').get('k');
        q.onsuccess = () => { document.title = [location.search, cookie, local, q.result || '-'].join(' ').trim(); d.close(); };
    });
}
function put(v) {
    document.cookie = 'c=' + v + '; max-age=3600';
    localStorage.setItem('l', v);
    db((d) => { d.transaction('s', 'readwrite').objectStore('s').put(v, 'k'); d.close(); });
}
setInterval(show, 100);
</script>)";

HttpResponse serve(const HttpRequest& request) {
    const std::string& path = request.path;
    if (path == "/files") {
        return html_page("<title>Files</title><a href=/file/report.txt>report</a>"
                         "<a href=/cut/broken.bin>broken</a><a href=/held/big.bin>big</a>");
    }
    if (path == "/data") {
        return html_page(kDataPage);
    }
    if (path.starts_with("/plain-")) {
        return html_page("<title>" + path.substr(7) + "</title>");
    }
    if (path == "/file/report.txt") {
        return attachment("report.txt", "fresh report");
    }
    return HttpResponse{404, "text/plain", "missing", {}};
}

LoopbackServer& server() {
    static LoopbackServer instance(serve);
    static const bool streams = [] {
        // The server closes the connection a little into a long body.
        instance.stream("/cut/broken.bin",
                        {attachment("broken.bin", ""), 200000, [](const auto& send) {
                             send(std::string(1000, 'x'));
                         }});
        // Half the body, then the rest once the test lets it go.
        instance.stream("/held/big.bin",
                        {attachment("big.bin", ""), 2 * kHeldPiece, [](const auto& send) {
                             send(std::string(kHeldPiece, 'h'));
                             for (int i = 0; i < 300 && !release_held; ++i) {
                                 g_usleep(100 * 1000);
                             }
                             send(std::string(kHeldPiece, 't'));
                         }});
        return true;
    }();
    (void)streams;
    return instance;
}

std::string at(const std::string& path) {
    return server().origin() + path;
}

std::optional<std::string> attribute(const fs::path& file, const char* name) {
    char value[1024];
    const ssize_t size = getxattr(file.c_str(), name, value, sizeof value);
    if (size < 0) {
        return std::nullopt;
    }
    return std::string(value, static_cast<std::size_t>(size));
}

class RealPages : public ChromePageTest {
protected:
    void SetUp() override {
        ChromePageTest::SetUp();
        static const bool configured = [this] {
            // The XDG Download folder, named by the user's folder settings and not there yet.
            const fs::path config = fs::path(g_get_user_config_dir()) / "user-dirs.dirs";
            fs::create_directories(config.parent_path());
            write_file(config, "XDG_DOWNLOAD_DIR=\"$HOME/Fetched\"\n");
            g_reload_user_special_dirs_cache();
            return true;
        }();
        ASSERT_TRUE(configured);
    }

    // Records every text the chrome page's toast shows from now on.
    void record_toasts() {
        page("window.T = []; new MutationObserver(() => T.push(D.$('#toast').textContent))"
             ".observe(D.$('#toast'), {childList: true, characterData: true, subtree: true})");
    }
    bool toasted(const std::string& text) {
        return page("T.includes(" + nlohmann::json(text).dump() + ")") == true;
    }
};

struct DownloadCase {
    const char* path; // of the link the page's click follows
    const char* name; // the file name the download gets
    const char* state;
    const char* toast;
    std::string body; // empty: no file under the name
    bool close_tab_midway = false;
};

TEST_F(RealPages, DownloadsLandMarkedInTheDownloadFolderAndAreToasted) {
    const fs::path folder = fs::path(g_get_home_dir()) / "Fetched";
    const DownloadCase cases[] = {
        {"/file/report.txt", "report.txt", "done", "Downloaded report.txt", "fresh report"},
        {"/file/report.txt", "report (1).txt", "done", "Downloaded report (1).txt", "fresh report"},
        {"/cut/broken.bin", "broken.bin", "failed", "Download failed: broken.bin", ""},
        {"/held/big.bin", "big.bin", "done", "Downloaded big.bin",
         std::string(kHeldPiece, 'h') + std::string(kHeldPiece, 't'), true},
    };
    open({{at("/files"), ""}, {at("/plain-other"), ""}});
    ASSERT_TRUE(loaded(0, 0, "Files"));
    for (const DownloadCase& c : cases) {
        SCOPED_TRACE(c.name);
        record_toasts();
        app().downloads_unseen = false;
        const std::size_t index = app().downloads.size();
        evaluate(*tab(0, 0).webview,
                 std::string("document.querySelector('a[href=\"") + c.path + "\"]').click()");
        ASSERT_TRUE(wait_until([&] { return app().downloads.size() > index; }));
        const Download& record = app().downloads[index];
        EXPECT_EQ(record.url, at(c.path));
        EXPECT_EQ(fs::path(record.path), folder / c.name);
        EXPECT_TRUE(wait_until([&] { return toasted(std::string("Downloading ") + c.name); }));
        if (c.close_tab_midway) {
            close_tab(app(), 0, tab(0, 0).id);
            release_held = true;
        }
        ASSERT_TRUE(wait_until([&] { return record.state != "active"; }));
        EXPECT_EQ(record.state, c.state);
        EXPECT_TRUE(wait_until([&] { return toasted(c.toast); }));
        EXPECT_TRUE(app().downloads_unseen);
        if (c.body.empty()) {
            EXPECT_FALSE(fs::exists(record.path));
            continue;
        }
        EXPECT_EQ(read_file(record.path), c.body);
        EXPECT_EQ(attribute(record.path, "user.xdg.origin.url"), record.url);
        const std::optional<std::string> mark = attribute(record.path, "user.com.apple.quarantine");
        std::smatch seconds;
        ASSERT_TRUE(mark &&
                    std::regex_match(*mark, seconds, std::regex("0083;([0-9a-f]+);Corvane;")))
            << mark.value_or("no mark");
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        EXPECT_NEAR(std::stoull(seconds[1], nullptr, 16),
                    std::chrono::duration_cast<std::chrono::seconds>(now).count(), 60);
    }
    // The second download of the same name left the first one as it was.
    EXPECT_EQ(read_file(folder / "report.txt"), "fresh report");
}

TEST_F(RealPages, ClearingWebsiteDataEmptiesThePersistentStoreOnly) {
    open({{at("/data"), ""}});
    const std::size_t private_window = open({{at("/data"), ""}}, 0, WindowKind::private_browsing);
    ASSERT_TRUE(loaded(0, 0, "- - -"));
    ASSERT_TRUE(loaded(private_window, 0, "- - -"));
    evaluate(*tab(0, 0).webview, "put('kept')");
    ASSERT_TRUE(loaded(0, 0, "kept kept kept"));
    evaluate(*tab(private_window, 0).webview, "put('secret')");
    ASSERT_TRUE(loaded(private_window, 0, "secret secret secret"));

    clear_website_data(app().engine);
    EXPECT_TRUE(loaded(0, 0, "- - -"));
    // A fresh load reads the stores, not what the page kept in memory.
    tab(0, 0).webview->load_url(at("/data?again"));
    EXPECT_TRUE(loaded(0, 0, "?again - - -"));
    tab(private_window, 0).webview->load_url(at("/data?again"));
    EXPECT_TRUE(loaded(private_window, 0, "?again secret secret secret"));
}

TEST_F(RealPages, MemoryFigureMatchesTheProcessTreeAndDropsWhenTabsSleep) {
    open({{at("/plain-one"), ""}});
    add_tab(app(), 0, at("/plain-two"), TabFocus::background, TabPlace::at_end);
    add_tab(app(), 0, at("/plain-three"), TabFocus::background, TabPlace::at_end);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(loaded(0, i, std::vector<std::string>{"one", "two", "three"}[i]));
        // Some weight in each page, so that a page's end shows in the figure.
        evaluate(*tab(0, i).webview, "window.ballast = new Uint8Array(96 << 20).fill(1); 0");
    }
    const std::uint64_t awake = webkit_memory_bytes(app().platform->system());
    const double tree = 1024.0 * static_cast<double>(process_tree_resident_kib());
    EXPECT_NEAR(static_cast<double>(awake), tree, 0.2 * tree);

    request_sleep(app(), tab(0, 1).id);
    request_sleep(app(), tab(0, 2).id);
    ASSERT_TRUE(wait_until([&] { return !tab(0, 1).webview && !tab(0, 2).webview; }));
    std::uint64_t asleep = awake;
    EXPECT_TRUE(wait_until([&] {
        asleep = webkit_memory_bytes(app().platform->system());
        return asleep + (2 * 96 << 20) < awake;
    })) << awake
        << " bytes awake, " << asleep << " with two tabs asleep";
}

} // namespace
} // namespace corvane::test
