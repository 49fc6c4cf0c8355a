#include "core/arguments.h"
#include "core/session_bus.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace corvane {

TEST(Arguments, FlagsAndOpenArguments) {
    const std::tuple<Arguments, bool, std::optional<std::string>> cases[] = {
        {{"corvane"}, false, std::nullopt},
        {{"corvane", "--devtools"}, true, std::nullopt},
        {{"corvane", "--devtools-x"}, false, std::nullopt},
        {{"corvane", "--devtools-selftest="}, true, ""},
        {{"corvane", "--devtools-selftest=shield", "--devtools-selftest=downloads"},
         true,
         "shield"},
        {{"--devtools-selftest=about"}, true, "about"}, // the program's own path is scanned too
    };
    for (const auto& [args, devtools, selftest] : cases) {
        EXPECT_EQ(std::tuple(wants_devtools(args), selftest_value(args)),
                  std::tuple(devtools, selftest))
            << args.back();
    }
    EXPECT_EQ(requested_window({"corvane", "-x", "--private-window"}),
              WindowRequest::private_window);
    EXPECT_EQ(requested_window({"--private-window", "--private-windows"}), WindowRequest::none);
    EXPECT_EQ(collect_open_arguments({"corvane", "a", "-b", "", "c"}),
              (std::vector<std::string>{"a", "", "c"}));
    EXPECT_TRUE(collect_open_arguments({"-corvane"}).empty());
}

TEST(Arguments, ExistingFilesOpenAsFileUrls) {
    test::TempDir dir;
    test::write_file(dir / "page #1?.html", "<title>x</title>");
    const std::string page = "file://" + dir.path().string() + "/page %231%3F.html";
    EXPECT_EQ(open_argument_text("page #1?.html", dir.path()), page);
    EXPECT_EQ(open_argument_text((dir / "page #1?.html").string(), "/elsewhere"), page);
    EXPECT_EQ(open_argument_text(".", dir.path()), "file://" + dir.path().string() + "/");
    // Anything else stays text for the address resolver.
    for (const std::string text : {"example.com", "", "file:///etc"}) {
        EXPECT_EQ(open_argument_text(text, dir.path()), text);
    }
}

// An address whose socket folder is gone is forgotten, so the browser starts as it does without
// a bus; one whose socket alone is missing (no bus listens there) is kept.
TEST(SessionBusAddress, OnlyASocketPathInAMissingFolderCounts) {
    const std::pair<std::string, bool> cases[] = {
        {"unix:path=/nonexistent-folder/bus", true},
        {"unix:path=/tmp/no-bus-here", false},
        {"unix:guid=1,path=/nonexistent-folder/bus", true},
        {"unix:path=/tmp/x;unix:path=/nonexistent-folder/bus", true},
        {"unix:path=%2ftmp%2fbus", false},
        {"unix:path=%2fnonexistent-folder%2fbus", true},
        {"unix:abstract=/nonexistent-folder/bus", false},
        {"tcp:host=127.0.0.1,port=1", false},
        {"unix:path=bus", false},
        {"", false},
    };
    for (const auto& [address, missing] : cases) {
        EXPECT_EQ(names_missing_bus_folder(address), missing) << address;
    }
}

} // namespace corvane
