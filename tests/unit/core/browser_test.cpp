#include "core/browser.h"
#include "fake/fake_platform.h"
#include "support/temp_dir.h"
#include "unit/store/scoped_env.h"

#include <gtest/gtest.h>

namespace corvane::test {
namespace {

// The whole start on the fake: the primary command line opens the windows, the end of the loop
// saves the session into the data folder.
TEST(RunBrowser, StartsOnTheFirstCommandLineAndSavesAtTheEnd) {
    TempDir data;
    const ScopedEnv env("XDG_DATA_HOME", data.path().c_str());
    FakePlatform platform;
    EXPECT_EQ(run_browser(platform, {"corvane", "-x", "https://a.test/", "b.test"}), 0);
    EXPECT_EQ(
        read_file(data / "com.halbrin.corvane" / "session.json"),
        R"([{"tabs":[{"url":"https://a.test/","title":""},{"url":"https://b.test/","title":""}],"active":1}])");
    EXPECT_FALSE(platform.app.on_command_line || platform.app.on_wake) << "unhooked at the end";
}

} // namespace
} // namespace corvane::test
