// The whole start on the fake platform: the data folder from the environment, the loop run by
// the fake until it ends as a signal ends it, and the launch that finds the folder taken.
#include "core/browser.h"
#include "fake/fake_platform.h"
#include "store/data_folder.h"
#include "store/folder_lock.h"
#include "support/temp_dir.h"
#include "unit/store/scoped_env.h"

#include <gtest/gtest.h>

namespace corvane::test {
namespace {

class BrowserTest : public ::testing::Test {
protected:
    // Runs the browser with these arguments; the loop ends once the first command line is done.
    int run(std::vector<std::string> arguments) {
        platform.app.while_running = [&, arguments] {
            platform.app.on_command_line({arguments, false, "/"});
        };
        return run_browser(platform, arguments);
    }

    TempDir home;
    ScopedEnv data_home{"XDG_DATA_HOME", (home / "data").c_str()};
    ScopedEnv cache_home{"XDG_CACHE_HOME", (home / "cache").c_str()};
    std::filesystem::path folder = home / "data" / kDataFolderName;
    FakePlatform platform;
};

// Started with only a private window (the session not restored), a signal that ends the loop
// leaves the saved session as it was.
TEST_F(BrowserTest, ASignalWithOnlyAPrivateWindowKeepsTheSavedSession) {
    const std::string saved = R"([{"tabs":[{"url":"https://a.test/","title":"A"}],"active":0}])";
    std::filesystem::create_directories(folder);
    write_file(folder / "session.json", saved);
    write_file(folder / "settings.json", R"({"restore_session":false})");
    EXPECT_EQ(run({"corvane", "--private-window", "b.test"}), 0);
    EXPECT_EQ(read_file(folder / "session.json"), saved);
}

// A launch that finds the data folder taken says why it cannot hand over its arguments: without
// a bus it has none; on a bus the running browser is not on this one.
TEST_F(BrowserTest, ALaunchOnATakenFolderNamesWhyItCannotReachTheRunningOne) {
    const std::optional<FolderLock> running = FolderLock::take(folder);
    ASSERT_TRUE(running);
    for (const auto& [bus, reason] : {std::pair(false, "(no session bus)"),
                                      std::pair(true, "(it is not on this session bus)")}) {
        platform.app.session_bus = bus;
        platform.app.quit_code.reset();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(run({"corvane", "a.test"}), 1);
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find("already running with the data folder " + folder.string()),
                  std::string::npos)
            << said;
        EXPECT_NE(said.find(reason), std::string::npos) << said;
    }
    EXPECT_EQ(std::filesystem::exists(folder / "session.json"), false);
}

} // namespace
} // namespace corvane::test
