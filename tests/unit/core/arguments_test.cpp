#include "core/arguments.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(Arguments, DevtoolsFlagsAndSelfTestValue) {
    struct Case {
        Arguments args;
        bool devtools;
        std::optional<std::string> selftest;
    };
    const Case cases[] = {
        {{"corvane"}, false, std::nullopt},
        {{"corvane", "--devtools"}, true, std::nullopt},
        {{"corvane", "--devtools-x"}, false, std::nullopt},
        {{"corvane", "--devtools-selftest"}, true, std::nullopt},
        {{"corvane", "--devtools-selftest="}, true, ""},
        {{"corvane", "--devtools-selftest=shield", "--devtools-selftest=downloads"},
         true,
         "shield"},
        // The program's own path is scanned too.
        {{"--devtools-selftest=about"}, true, "about"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wants_devtools(c.args), c.devtools) << c.args.back();
        EXPECT_EQ(selftest_value(c.args), c.selftest) << c.args.back();
    }
}

TEST(Arguments, OpenArgumentsSkipFlagsAndKeepEmptyOnes) {
    EXPECT_EQ(collect_open_arguments({"corvane", "a", "-b", "", "c"}),
              (std::vector<std::string>{"a", "", "c"}));
    EXPECT_TRUE(collect_open_arguments({"-corvane"}).empty());
    EXPECT_TRUE(collect_open_arguments({}).empty());
}

TEST(Arguments, ExistingFilesOpenAsFileUrls) {
    test::TempDir dir;
    test::write_file(dir / "page #1?.html", "<title>x</title>");
    const std::string base = "file://" + dir.path().string();
    EXPECT_EQ(open_argument_text("page #1?.html", dir.path()), base + "/page %231%3F.html");
    EXPECT_EQ(open_argument_text((dir / "page #1?.html").string(), "/elsewhere"),
              base + "/page %231%3F.html");
    EXPECT_EQ(open_argument_text(".", dir.path()), base + "/");
    // Anything else stays text for the address resolver.
    EXPECT_EQ(open_argument_text("example.com", dir.path()), "example.com");
    EXPECT_EQ(open_argument_text("", dir.path()), "");
    EXPECT_EQ(open_argument_text("file:///etc", dir.path()), "file:///etc");
}

} // namespace
} // namespace corvane
