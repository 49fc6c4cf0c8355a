#include "core/downloads.h"
#include "core_fixture.h"

namespace corvane::test {

using DownloadsTest = CoreTest;

TEST(DownloadNames, LastPathPartAsValidText) {
    const std::pair<std::string, std::string> cases[] = {
        {"/home/u/Downloads/report.pdf", "report.pdf"},
        {"/", ""},
        {".", ""},
        {"/home/u/..", ""},
        {"/home/u/Downloads/", "Downloads"},
        {"/home/u/Downloads/.", "Downloads"},
        {"relative//name.txt", "name.txt"},
        {"/tmp/bad\xff.bin", "bad\uFFFD.bin"}};
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(download_file_name(path), name) << path;
    }
    EXPECT_EQ(quarantine_value(1'700'000'000), "0083;6553f100;Corvane;");
}

TEST_F(DownloadsTest, FinishesMarkTheNewestActiveRecordAndToastTheCurrentWindow) {
    handle(event::DownloadStarted{"https://a.test/f", "/dl/f"}); // no window: no toast
    open({});
    handle(event::DownloadStarted{"https://a.test/f", "/dl/f (1)"});
    handle(event::DownloadFinished{"https://a.test/f", true});
    handle(event::DownloadFinished{"https://a.test/f", false});
    handle(event::DownloadFinished{"https://a.test/f", true}); // none left
    EXPECT_EQ(std::tuple(app.downloads.at(0).state, app.downloads.at(1).state),
              std::tuple("failed", "done"));
    EXPECT_EQ(platform.system_.attributes,
              (std::vector<std::tuple<std::string, std::string, std::string>>{
                  {"/dl/f (1)", "user.com.apple.quarantine", "0083;6553f100;Corvane;"}}));
    std::vector<std::string> toasts = page_calls(chrome());
    std::erase_if(toasts, [](const std::string& call) { return !call.starts_with("toast("); });
    EXPECT_EQ(toasts, (std::vector<std::string>{R"x(toast("Downloading f (1)"))x",
                                                R"x(toast("Downloaded f (1)"))x",
                                                R"x(toast("Download failed: f"))x"}));
    EXPECT_EQ(renders(chrome()).back()["downloadsUnseen"], true);
}

} // namespace corvane::test
