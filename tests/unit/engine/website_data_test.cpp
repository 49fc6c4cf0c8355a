#include "engine/website_data.h"
#include "engine_test_support.h"

namespace corvane::test {

using WebsiteDataTest = EngineTest;

// The browser is 100; bubblewrap (200, 201) sits between it and its web process 202; 300 is a
// web process of another browser. Clearing the persistent store only:
// integration/commands/pages_test.
TEST_F(WebsiteDataTest, MemoryCountsTheBrowserAndItsWebKitProcessesBehindTheSandbox) {
    const std::pair<std::string_view, std::uint64_t> listings[] = {
        {"    1     0  1000 systemd\n  100     1  2000 corvane\n  150   100   300 WebKitNetworkPr\n"
         "  200   100    10 bwrap\n  201   200    10 bwrap\n  202   201  5000 WebKitWebProces\n"
         "  203   200    20 xdg-dbus-proxy\n  290     1    50 epiphany\n"
         "  300   290  7000 WebKitWebProces\n",
         2000 + 300 + 5000},
        {"100 1\n", 0},                                              // too few fields
        {"100 1 x corvane\n", 0},                                    // unparsable size
        {"100 1 64 corvane\n101 100 8 /opt/My WebKit Helper\n", 72}, // command with blanks
        {"102 102 8 WebKitWebProces\n100 1 1 corvane\n", 1},         // a cycle never hangs
        {"100 1 18446744073709551616 corvane\n", 0},                 // beyond 64 bits
    };
    for (const auto& [listing, kib] : listings) {
        EXPECT_EQ(memory_bytes_from_listing(listing, 100), kib * 1024) << listing;
    }
    EXPECT_EQ(webkit_memory_bytes(platform.system_), 0u) << "ps cannot be run";
    platform.system_.command_output = "4242 1 3 corvane\n"; // the fake's own process id
    EXPECT_EQ(webkit_memory_bytes(platform.system_), 3u * 1024);
    EXPECT_EQ(platform.system_.commands.at(1),
              (std::vector<std::string>{"/bin/ps", "-axo", "pid=,ppid=,rss=,comm="}));
}

} // namespace corvane::test
