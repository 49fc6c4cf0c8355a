// The display-free parts of the web views and downloads: HTTPS-Only, download names, what a page
// may do unasked and which local paths it may load.
#include "platform/download_path.h"
#include "platform/https_upgrade.h"
#include "platform/local_file.h"
#include "platform/page_allowance.h"
#include "platform/web_view.h"
#include "support/temp_dir.h"

#include <array>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace corvane::platform {
namespace {

// What the view must do on an event at url (for "expect", the http URL is the third word).
std::string answer(HttpsUpgrader& https, const std::string& event, const std::string& url,
                   const std::string& expected) {
    const std::string scheme = url.substr(0, url.find(':'));
    const std::size_t after = std::min(url.size(), scheme.size() + 3);
    const std::string host = url.substr(after, url.find('/', after) - after);
    if (event == "nav" || event == "redirect" || event == "post") {
        const std::optional<HttpsDecision> decision =
            https.navigation({url, scheme, host, event == "redirect", event == "post"});
        if (!decision) {
            return "-";
        }
        EXPECT_EQ(decision->http_url, url);
        return decision->send_url.empty() ? "as-is" : decision->send_url;
    }
    if (event == "expect") {
        https.expect(url, expected, host);
        return expected;
    }
    if (event == "answer") {
        https.answered(url);
        return "-";
    }
    const std::map<std::string, LoadFailure> failures = {{"fail", LoadFailure::no_https},
                                                         {"cancel", LoadFailure::cancelled},
                                                         {"error", LoadFailure::other}};
    if (failures.contains(event)) {
        return std::array{"report", "absorb",
                          "fallback"}[static_cast<int>(https.failed(url, failures.at(event)))];
    }
    if (event == "timeout") {
        return https.timed_out(url) ? "yes" : "no";
    }
    if (event == "idle") {
        const std::string fallback = https.take_fallback();
        return fallback.empty() ? "-" : fallback;
    }
    const std::map<std::string, LoadPhase> phases = {{"start", LoadPhase::started},
                                                     {"commit", LoadPhase::committed},
                                                     {"finish", LoadPhase::finished}};
    return https.report_load(phases.at(event), url) ? "report" : "drop";
}

// Steps of "event url answer"; each sequence is a fresh view, whose engine keeps "local" on http.
// A sequence that starts with "off" is a view with HTTPS-Only off.
TEST(HttpsUpgrader, UpgradesBeforeSendingAndFallsBackOncePerNavigation) {
    const char* sequences[] = {
        // No HTTPS: one fallback, whose host stays on http in this view; other hosts do not.
        "nav http://a/p https://a/p  start http://a/p report  fail https://a/p fallback  "
        "finish http://a/p drop  idle - http://a/p  idle - -  nav http://a/p as-is  "
        "start http://a/p report  commit http://a/p report  finish http://a/p report  "
        "fail http://a/p report  nav http://a/q as-is  nav http://b/ https://b/",
        // An answer, or a page shown, means HTTPS is there: later failures are the page's.
        "nav http://a/ https://a/  answer https://a/ -  fail https://a/ report  "
        "timeout https://a/ no  nav http://c/ https://c/  commit https://c/ report  "
        "fail https://c/ report  idle - -",
        // Stop, another navigation or another kind of error never fall back.
        "nav http://a/p https://a/p  cancel http://a/p report  fail https://a/p report  "
        "nav http://b/ https://b/  cancel https://b/ report  nav http://n/ https://n/  "
        "error https://n/ report  idle - -",
        // A redirect to http is followed as it is; a form's body is never sent twice.
        "nav http://a/ https://a/  redirect http://a/x as-is  commit http://a/x report  "
        "post http://f/s https://f/s  timeout https://f/s no  fail https://f/s report  idle - -  "
        "post http://f/s as-is",
        // Only http is decided; local hosts stay as they are.
        "nav https://a/ -  nav about:blank -  nav http://local/ as-is  nav HTTP://a/ https://a/",
        // No answer for a while: the view gives up the attempt, whose end is not reported.
        "nav http://h/ https://h/  timeout https://h/ yes  idle - http://h/  "
        "cancel http://h/ absorb  finish http://h/ drop  start http://h/ report  "
        "timeout https://h/ no  nav http://h/ as-is",
        // An address the browser upgraded itself falls back alike, even with HTTPS-Only off.
        "off  nav http://a/ as-is  expect https://t/ http://t/  start https://t/ report  "
        "fail https://t/ fallback  finish https://t/ drop  idle - http://t/  nav http://t/ as-is",
    };
    for (std::string_view sequence : sequences) {
        const bool off = sequence.starts_with("off");
        HttpsUpgrader https(off ? HttpsUpgrade() : [](const std::string& url) {
            return url.find("local") == std::string::npos ? std::optional("https" + url.substr(4))
                                                          : std::nullopt;
        });
        std::istringstream steps(std::string(sequence.substr(off ? 3 : 0)));
        std::string event, url, expected;
        while (steps >> event >> url >> expected) {
            SCOPED_TRACE(event + " " + url);
            EXPECT_EQ(answer(https, event, url, expected), expected);
        }
    }
}

TEST(UniqueDownloadPath, KeepsAPlainNameAndNeverNamesAnExistingFile) {
    const test::TempDir folder;
    for (const char* taken : {"report.txt", "report (1).txt", "README"}) {
        test::write_file(folder / taken, "kept");
    }
    std::filesystem::create_symlink(folder / "nowhere", folder / "gone.pdf");
    // Rows of "suggested|expected".
    for (std::string_view row : {"notes.txt|notes.txt", "../dir/notes|notes", "|download",
                                 ".|download", "..|download", "dir/|download", "README|README (1)",
                                 "report.txt|report (2).txt", "gone.pdf|gone (1).pdf"}) {
        SCOPED_TRACE(row);
        const std::size_t bar = row.find('|');
        EXPECT_EQ(unique_download_path(folder.path(), std::string(row.substr(0, bar)), 255),
                  folder / row.substr(bar + 1));
    }
}

// With room for 20 bytes, each row's download written before the next is named.
TEST(UniqueDownloadPath, CutsALongNameBeforeItsExtensionToFitTheFileSystem) {
    const test::TempDir folder;
    EXPECT_EQ(longest_file_name(folder.path()), 255u);
    // Rows of "suggested|expected".
    for (std::string_view row : {
             "abcdefghijklmnop.txt|abcdefghijklmnop.txt", // 20 bytes: as it is
             "abcdefghijklmnop.txt|abcdefghijkl (1).txt", // the mark needs room
             "abcdefghijklmnopqrstuvwxyz.txt|abcdefghijkl.txt",
             "abcdefghijklmnopqrstuvwxyz.txt|abcdefghijkl (2).txt",
             "abcdefghijklmnopqrst.c|abcdefghijklmn.c",
             "abcdefghijklmnopqrst.c|abcdefghijklmn (1).c", // both share their stem
             "x\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9.pdf|"
             "x\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9.pdf",        // never half a character
             "n.0123456789abcdef0123456789abcdef0|n.0123456789abcd", // no real extension
         }) {
        SCOPED_TRACE(row);
        const std::size_t bar = row.find('|');
        const std::filesystem::path path =
            unique_download_path(folder.path(), std::string(row.substr(0, bar)), 20);
        EXPECT_EQ(path, folder / row.substr(bar + 1));
        test::write_file(path, "");
    }
}

// Button (1 left, 2 middle), Control, Shift: where the link opens, none in its own tab.
TEST(LinkClickTarget, MiddleOrControlMakeATabShiftAWindow) {
    const std::tuple<unsigned, bool, bool, std::optional<OpenIn>> clicks[] = {
        {1, false, false, std::nullopt},           {3, false, false, std::nullopt},
        {2, false, false, OpenIn::background_tab}, {1, true, false, OpenIn::background_tab},
        {2, false, true, OpenIn::foreground_tab},  {1, true, true, OpenIn::foreground_tab},
        {1, false, true, OpenIn::window},          {0, false, true, OpenIn::window}};
    for (const auto& [button, control, shift, where] : clicks) {
        EXPECT_EQ(link_click_target(button, control, shift), where) << button << control << shift;
    }
}

// Each row is a fresh view: "press" and "load" happen,
// "window", "print" and "download" are asked for and answered y or n; "n!" is a refused download
// that is the first refusal on its page.
TEST(PageAllowance, OneOfEachPerPressAndOneDownloadPerPage) {
    for (std::string_view row : {
             // A page that starts downloads by itself gets the one after its load.
             "load download:y download:n! download:n load download:y download:n!",
             // One press, five downloads from its handler: one.
             "load press download:y download:n! download:n download:n download:n",
             // The page's own download, then each press gives one more.
             "load download:y press download:y download:n! press download:y",
             // A press does not add to what the load gave, and one refusal is told per page.
             "load press press download:y download:n! press download:y download:n",
             // Windows and dialogs: one per press, the first before any press.
             "window:y window:n print:y print:n press window:y print:y window:n print:n",
             // A load gives back no window and no dialog.
             "window:y load window:n print:y load print:n",
             // Each kind has its own allowance.
             "press window:y download:y print:y download:n!",
         }) {
        SCOPED_TRACE(row);
        PageAllowance allowance;
        std::istringstream steps{std::string(row)};
        for (std::string step; steps >> step;) {
            if (step == "press") {
                allowance.user_input();
                continue;
            }
            if (step == "load") {
                allowance.page_committed();
                continue;
            }
            const std::string kind = step.substr(0, step.find(':'));
            const std::string expected = step.substr(step.find(':') + 1);
            const PageAct act = kind == "window"  ? PageAct::open_window
                                : kind == "print" ? PageAct::print
                                                  : PageAct::download;
            std::string answer = allowance.take(act) ? "y" : "n";
            if (answer == "n" && act == PageAct::download && allowance.first_refusal_on_page()) {
                answer += "!";
            }
            EXPECT_EQ(answer, expected) << step;
        }
    }
}

TEST(LocalTarget, OnlyFilesAndFoldersMayBeLoaded) {
    const test::TempDir folder;
    test::write_file(folder / "page.html", "<p>");
    std::filesystem::create_directory(folder / "dir");
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socket_path = (folder / "sock").string();
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    socket_path.copy(address.sun_path, socket_path.size());
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::filesystem::create_symlink("/dev/zero", folder / "zero-link");
    std::filesystem::create_symlink(folder / "page.html", folder / "page-link");
    std::filesystem::create_symlink(folder / "nowhere", folder / "dangling");
    const std::pair<std::filesystem::path, LocalTarget> rows[] = {
        {folder / "page.html", LocalTarget::regular_file},
        {folder / "page-link", LocalTarget::regular_file},
        {folder / "dir", LocalTarget::folder},
        {"/", LocalTarget::folder},
        {folder / "missing.html", LocalTarget::missing},
        {folder / "dangling", LocalTarget::missing},
        {"/dev/zero", LocalTarget::other},
        {"/dev/null", LocalTarget::other},
        {folder / "zero-link", LocalTarget::other},
        {folder / "fifo", LocalTarget::other},
        {folder / "sock", LocalTarget::other},
    };
    for (const auto& [path, target] : rows) {
        EXPECT_EQ(local_target(path), target) << path;
        EXPECT_EQ(may_load_local(path), target != LocalTarget::other) << path;
    }
    close(listener);
}

} // namespace
} // namespace corvane::platform
