// The display-free parts of the web views and downloads: HTTPS-Only and download names.
#include "platform/download_path.h"
#include "platform/https_upgrade.h"
#include "support/temp_dir.h"

#include <array>
#include <gtest/gtest.h>
#include <sstream>

namespace corvane::platform {
namespace {

// What the view must do on an event at url; "-" for nothing.
std::string answer(HttpsUpgrader& https, const std::string& event, const std::string& url) {
    const std::size_t host = url.find("://") + 3;
    if (event == "response") {
        const std::string name = url.substr(host, url.find('/', host) - host);
        return https.replace_response(url.substr(0, host - 3), name, url).value_or("use");
    }
    if (event == "fail") {
        return std::array{"report", "absorb", "fallback"}[static_cast<int>(https.failed(url))];
    }
    if (event == "idle") {
        const std::string fallback = https.take_fallback();
        return fallback.empty() ? "-" : fallback;
    }
    return https.report_load(event == "start" ? LoadPhase::started : LoadPhase::finished, url)
               ? "report"
               : "drop";
}

// Steps of "event url answer"; each sequence is a fresh view, whose engine keeps "local" on http.
TEST(HttpsUpgrader, UpgradesFallsBackOnceAndRemembersTheHostPerView) {
    const char* sequences[] = {
        "response http://a/p https://a/p  fail http://a/p absorb  finish http://a/p drop  "
        "start https://a/p report  fail https://a/p fallback  finish https://a/p drop  "
        "idle - http://a/p  idle - -  start http://a/p report  response http://a/p use  "
        "fail http://a/p report  finish http://a/p report  start http://b/ report  "
        "response http://a/q use",
        "response http://a/p https://a/p  start https://a/p report  start http://b/ report  "
        "fail https://a/p report  fail http://a/p report  finish http://b/ report  idle - -",
        "response https://a/ use  response http://local/ use  response HTTP://a/ https://a/  "
        "fail http://c/ report",
    };
    for (const char* sequence : sequences) {
        HttpsUpgrader https([](const std::string& url) {
            return url.find("local") == std::string::npos ? std::optional("https" + url.substr(4))
                                                          : std::nullopt;
        });
        std::istringstream steps(sequence);
        std::string event, url, expected;
        while (steps >> event >> url >> expected) {
            SCOPED_TRACE(event + " " + url);
            EXPECT_EQ(answer(https, event, url), expected);
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
        EXPECT_EQ(unique_download_path(folder.path(), std::string(row.substr(0, bar))),
                  folder / row.substr(bar + 1));
    }
}

} // namespace
} // namespace corvane::platform
