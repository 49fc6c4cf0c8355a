#include "scoped_env.h"
#include "store/data_folder.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace corvane {
namespace {

using std::nullopt;

struct FolderCase {
    const char* name;
    DataFolderSources sources;
    const char* expected;
};

TEST(DataFolder, ChoiceFollowsXdgThenHomeThenTemporaryFolder) {
    const FolderCase cases[] = {
        {"xdg_wins", {"/x/data", "/home/u", nullopt, "/t"}, "/x/data/com.halbrin.corvane"},
        {"relative_xdg_ignored",
         {"x/data", "/home/u", nullopt, "/t"},
         "/home/u/.local/share/com.halbrin.corvane"},
        {"empty_xdg_ignored",
         {"", "/home/u", nullopt, nullopt},
         "/home/u/.local/share/com.halbrin.corvane"},
        {"empty_home_uses_user_db",
         {nullopt, "", "/home/db", "/t"},
         "/home/db/.local/share/com.halbrin.corvane"},
        {"no_home_uses_tmpdir", {nullopt, nullopt, nullopt, "/t"}, "/t/com.halbrin.corvane"},
        {"empty_tmpdir_uses_tmp", {nullopt, nullopt, "", ""}, "/tmp/com.halbrin.corvane"},
        {"xdg_without_home", {"/x", nullopt, nullopt, nullopt}, "/x/com.halbrin.corvane"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(choose_data_folder(c.sources), std::filesystem::path(c.expected));
    }
}

TEST(DataFolder, EmptyHomeFallsBackToTheUserDatabase) {
    test::ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    test::ScopedEnv home("HOME", "");
    const auto sources = data_folder_sources_from_process();
    ASSERT_TRUE(sources.user_db_home) << "this user has no entry in the user database";
    EXPECT_EQ(choose_data_folder(sources),
              std::filesystem::path(*sources.user_db_home) / ".local/share/com.halbrin.corvane");
}

mode_t mode_of(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(DataFolder, PrepareCreatesParentsAndSetsOwnerOnlyMode) {
    test::TempDir temp;
    const auto dir = temp / "a/b/com.halbrin.corvane";
    prepare_data_folder(dir);
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    EXPECT_EQ(mode_of(dir), 0700u);

    ::chmod(dir.c_str(), 0755);
    prepare_data_folder(dir);
    EXPECT_EQ(mode_of(dir), 0700u);
}

TEST(DataFolder, PrepareUnderARegularFileFailsQuietly) {
    test::TempDir temp;
    test::write_file(temp / "file", "x");
    prepare_data_folder(temp / "file/com.halbrin.corvane");
    EXPECT_FALSE(std::filesystem::exists(temp / "file/com.halbrin.corvane"));
}

} // namespace
} // namespace corvane
