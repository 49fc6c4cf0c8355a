#include "engine/website_data.h"
#include "engine_test_support.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

// The browser is 100; bubblewrap (200, 201) sits between it and its web process 202; 300 is a
// web process of another browser.
constexpr std::string_view kListing = "    1     0  1000 systemd\n"
                                      "  100     1  2000 corvane\n"
                                      "  150   100   300 WebKitNetworkPr\n"
                                      "  200   100    10 bwrap\n"
                                      "  201   200    10 bwrap\n"
                                      "  202   201  5000 WebKitWebProces\n"
                                      "  203   200    20 xdg-dbus-proxy\n"
                                      "  290     1    50 epiphany\n"
                                      "  300   290  7000 WebKitWebProces\n";

TEST(MemoryListing, CountsTheBrowserAndItsWebKitProcessesBehindTheSandbox) {
    EXPECT_EQ(memory_bytes_from_listing(kListing, 100), (2000u + 300u + 5000u) * 1024u);
}

TEST(MemoryListing, OddLinesContributeNothingOrZero) {
    struct Case {
        std::string listing;
        std::uint64_t kib;
    };
    const std::vector<Case> cases{
        {"", 0},
        {"100 1\n", 0},                 // too few fields
        {"100 1 x corvane\n", 0},       // unparsable size
        {"+100 1 +64 corvane\r\n", 64}, // leading plus, carriage return
        {"100 1 64\n", 64},             // no command
        {"100 1 64 corvane\n101 100 8 /opt/My WebKit Helper\n", 72}, // command with blanks
        {"100 1 64 corvane\n101 100 8 WebKitWebProces\n101 101 8 x\n", 72},
        {"102 102 8 WebKitWebProces\n100 1 1 corvane\n", 1}, // a cycle never hangs
        {"100 1 18446744073709551616 corvane\n", 0},         // beyond 64 bits
    };
    for (const Case& c : cases) {
        EXPECT_EQ(memory_bytes_from_listing(c.listing, 100), c.kib * 1024) << c.listing;
    }
}

TEST(MemoryListing, RunsPsWithTheListingColumns) {
    test::EngineFixture f;
    f.platform.system_.pid = 100;
    f.platform.system_.command_output = std::string(kListing);
    EXPECT_EQ(webkit_memory_bytes(f.platform.system_), 7300u * 1024u);
    ASSERT_EQ(f.platform.system_.commands.size(), 1u);
    EXPECT_EQ(f.platform.system_.commands[0],
              (std::vector<std::string>{"/bin/ps", "-axo", "pid=,ppid=,rss=,comm="}));
    f.platform.system_.command_output.reset();
    EXPECT_EQ(webkit_memory_bytes(f.platform.system_), 0u) << "ps cannot be run";
}

TEST(WebsiteData, ClearingTouchesOnlyThePersistentStore) {
    test::EngineFixture f;
    auto private_store = make_private_data_store(f.config);
    clear_website_data(f.config);
    EXPECT_EQ(f.session(0).clears, 1);
    EXPECT_EQ(f.session(1).clears, 0);
    EXPECT_EQ(static_cast<test::FakeNetworkSession&>(*private_store).clears, 0);
}

} // namespace
} // namespace corvane
