// The display-free parts of the web views and downloads: HTTPS-Only and download names.
#include "platform/download_path.h"
#include "platform/https_upgrade.h"
#include "platform/web_view.h"
#include "support/temp_dir.h"

#include <array>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

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

} // namespace
} // namespace corvane::platform
