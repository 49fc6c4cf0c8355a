#include "core/downloads.h"
#include "core_fixture.h"

namespace corvane::test {
namespace {

using DownloadsTest = CoreTest;

TEST(DownloadNames, LastPathPartAsValidText) {
    const std::pair<std::string, std::string> cases[] = {
        {"/home/u/Downloads/report.pdf", "report.pdf"},
        {"/", ""},
        {".", ""},
        {"/home/u/Downloads/", "Downloads"},
        {"/home/u/Downloads/.", "Downloads"},
        {"/home/u/..", ""},
        {"relative//name.txt", "name.txt"},
        {"/tmp/bad\xff.bin", "bad\uFFFD.bin"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(download_file_name(path), name) << path;
    }
    EXPECT_EQ(quarantine_value(1'700'000'000), "0083;6553f100;Corvane;");
    EXPECT_EQ(quarantine_value(0), "0083;0;Corvane;");
}

TEST_F(DownloadsTest, FinishesMarkTheNewestActiveRecordAndToastTheCurrentWindow) {
    // Without a window the records still change; there is just no toast.
    handle(event::DownloadStarted{"https://a.test/f", "/dl/f"});
    open({});
    handle(event::DownloadStarted{"https://a.test/f", "/dl/f (1)"});
    handle(event::DownloadFinished{"https://a.test/f", true});
    handle(event::DownloadFinished{"https://a.test/f", false});
    handle(event::DownloadFinished{"https://a.test/f", true}); // none left

    ASSERT_EQ(app.downloads.size(), 2u);
    EXPECT_EQ(app.downloads[0].state, "failed");
    EXPECT_EQ(app.downloads[1].state, "done");
    EXPECT_TRUE(app.downloads_unseen);
    ASSERT_EQ(platform.system_.attributes.size(), 1u);
    EXPECT_EQ(platform.system_.attributes[0],
              std::make_tuple(std::string("/dl/f (1)"), std::string("user.com.apple.quarantine"),
                              std::string("0083;6553f100;Corvane;")));
    std::vector<std::string> toasts;
    for (const std::string& call : page_calls(chrome())) {
        if (call.starts_with("toast(")) {
            toasts.push_back(call);
        }
    }
    EXPECT_EQ(toasts, (std::vector<std::string>{R"x(toast("Downloading f (1)"))x",
                                                R"x(toast("Downloaded f (1)"))x",
                                                R"x(toast("Download failed: f"))x"}));
    EXPECT_EQ(renders(chrome()).back()["downloadsUnseen"], true);
}

} // namespace
} // namespace corvane::test
