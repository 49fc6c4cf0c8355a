#include "scoped_env.h"
#include "store/data_folder.h"
#include "store/folder_lock.h"
#include "store/history.h"
#include "store/store.h"
#include "support/temp_dir.h"

#include <csignal>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using std::nullopt;
using test::read_file;
using test::write_file;

mode_t mode_of(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class StoreFiles : public ::testing::Test {
protected:
    Store load() {
        return load_store(dir_, [] { return std::uint64_t{1000}; });
    }

    test::TempDir temp_;
    fs::path dir_ = temp_ / "data/com.halbrin.corvane";
};

// Only dirty files are written, owner-only whatever the umask, in place of a stale temporary
// file, and they load back equal.
TEST_F(StoreFiles, FirstStartMakesAnOwnerOnlyFolderAndWrittenFilesLoadBackEqual) {
    const mode_t old_umask = ::umask(0);
    Store store = load();
    EXPECT_EQ(mode_of(dir_), 0700u);
    EXPECT_TRUE(listing(dir_).empty());
    EXPECT_EQ(store.settings, Settings{});
    store.settings_dirty = true;
    record_visit(store, "https://a.test/", "A");
    flush_store(store);
    EXPECT_EQ(listing(dir_), (std::vector<std::string>{"history.json", "settings.json"}));
    EXPECT_FALSE(store.settings_dirty || store.history_dirty);
    EXPECT_EQ(read_file(dir_ / "history.json"),
              R"([{"url":"https://a.test/","title":"A","visits":1,"last":1000}])");
    EXPECT_EQ(mode_of(dir_ / "settings.json"), 0600u);
    write_file(dir_ / "history.tmp", std::string(100000, 'x'));
    ::chmod((dir_ / "history.tmp").c_str(), 0644);
    store.settings.shield_allowlist = {"a.test"};
    store.settings_dirty = true;
    record_visit(store, "https://a.test/é", "Tab\t\"é\"");
    toggle_bookmark(store, "https://b.test/", "B\n");
    save_session(store, {{{{"https://c.test/", ""}}, 2}});
    flush_store(store);
    ::umask(old_umask);
    EXPECT_EQ(listing(dir_), (std::vector<std::string>{"bookmarks.json", "history.json",
                                                       "session.json", "settings.json"}));
    EXPECT_EQ(mode_of(dir_ / "history.json"), 0600u);
    const Store again = load();
    EXPECT_TRUE(std::tie(again.settings, again.history, again.bookmarks, again.session) ==
                std::tie(store.settings, store.history, store.bookmarks, store.session));
    save_session(store, {});
    EXPECT_EQ(read_file(dir_ / "session.json"), "[]");
    ::chmod(dir_.c_str(), 0755);
    load();
    EXPECT_EQ(mode_of(dir_), 0700u);
}

TEST_F(StoreFiles, DataFolderFollowsXdgThenHomeThenTheUserDatabaseThenTemporaryFolder) {
    const std::vector<std::pair<DataFolderSources, std::string_view>> cases{
        {{"/x/data", "/home/u", nullopt, "/t"}, "/x/data/com.halbrin.corvane"},
        {{"x/data", "/home/u", nullopt, "/t"}, "/home/u/.local/share/com.halbrin.corvane"},
        {{"", "/home/u", nullopt, nullopt}, "/home/u/.local/share/com.halbrin.corvane"},
        {{nullopt, "", "/home/db", "/t"}, "/home/db/.local/share/com.halbrin.corvane"},
        {{nullopt, nullopt, nullopt, "/t"}, "/t/com.halbrin.corvane"},
        {{nullopt, nullopt, "", ""}, "/tmp/com.halbrin.corvane"},
        {{"/x", nullopt, nullopt, nullopt}, "/x/com.halbrin.corvane"},
    };
    for (const auto& [sources, expected] : cases) {
        EXPECT_EQ(choose_data_folder(sources), fs::path(expected)) << expected;
    }
    {
        test::ScopedEnv xdg("XDG_DATA_HOME", (temp_ / "xdg").c_str());
        EXPECT_EQ(load_store().dir, temp_ / "xdg/com.halbrin.corvane");
        EXPECT_EQ(mode_of(temp_ / "xdg/com.halbrin.corvane"), 0700u);
    }
    test::ScopedEnv xdg("XDG_DATA_HOME", "relative");
    test::ScopedEnv home("HOME", "");
    const auto sources = data_folder_sources_from_process();
    ASSERT_TRUE(sources.user_db_home) << "this user has no entry in the user database";
    EXPECT_EQ(choose_data_folder(sources),
              fs::path(*sources.user_db_home) / ".local/share/com.halbrin.corvane");
}

// Each file loads on its own and a rejected or odd one stays untouched. A write that fails (a
// folder in place of the file or of its temporary file) keeps the old file and the flag, and the
// change is written once it can be.
TEST_F(StoreFiles, FilesAreIndependentAndAFailedWriteKeepsTheFlagUntilItCanBeWritten) {
    const std::string rejected = R"([{"url":"https://a.test/","title":"A","visits":1}])";
    fs::create_directories(dir_ / "settings.json");
    write_file(dir_ / "history.json", rejected);
    write_file(dir_ / "bookmarks.json", R"([["https://b.test/","B",7]])");
    ASSERT_EQ(::mkfifo((dir_ / "session.json").c_str(), 0600), 0) << "must not be waited on";
    Store store = load();
    EXPECT_EQ(store.settings, Settings{});
    EXPECT_TRUE(store.history.empty() && store.session.empty());
    EXPECT_EQ(store.bookmarks, (std::vector<Bookmark>{{"https://b.test/", "B", 7}}));
    flush_store(store);
    fs::create_directories(dir_ / "history.tmp/inner");
    record_visit(store, "https://b.test/", "B");
    store.settings_dirty = true;
    flush_store(store);
    EXPECT_TRUE(store.settings_dirty && store.history_dirty);
    EXPECT_EQ(read_file(dir_ / "history.json"), rejected);
    fs::remove_all(dir_ / "settings.json");
    fs::remove_all(dir_ / "history.tmp");
    flush_store(store);
    EXPECT_FALSE(store.settings_dirty || store.history_dirty);
    EXPECT_EQ(read_file(dir_ / "history.json"),
              R"([{"url":"https://b.test/","title":"B","visits":1,"last":1000}])");
}

// Every kind of refused file is kept aside byte for byte, owner-only, when its data is first
// written, never at loading; a second refusal in the same second keeps a second copy, and a file
// that reads fine is never copied.
TEST_F(StoreFiles, ARefusedFileIsKeptAsideByteForByteBeforeItIsFirstReplaced) {
    const std::vector<std::pair<std::string, std::string>> refused{
        {"settings.json", R"({"https_only":false,"sleep_after_mins":1.5})"},
        {"history.json", R"([{"url":"https://a.test/","title":"A","visits":1}])"},
        {"bookmarks.json", R"([{"url":"https://b.test/","title":"B","added":7},{"url":"htt)"},
        {"session.json", R"([{"tabs":[],"active":0,"active":1}])"},
    };
    fs::create_directories(dir_);
    for (const auto& [name, text] : refused) {
        write_file(dir_ / name, text);
    }
    const auto change_everything = [](Store& store) {
        store.settings_dirty = true;
        record_visit(store, "https://c.test/", "C");
        toggle_bookmark(store, "https://c.test/", "C");
        flush_store(store);
        save_session(store, {{{{"https://c.test/", "C"}}, 0}});
    };
    Store store = load();
    EXPECT_EQ(listing(dir_).size(), 4u) << "loading writes nothing";
    change_everything(store);
    EXPECT_EQ(listing(dir_).size(), 8u);
    for (const auto& [name, text] : refused) {
        const fs::path copy = dir_ / (name + ".refused-1000");
        EXPECT_EQ(read_file(copy), text) << name;
        EXPECT_EQ(mode_of(copy), 0600u) << name;
        EXPECT_NE(read_file(dir_ / name), text) << name;
    }
    write_file(dir_ / "history.json", refused[1].second + "x");
    store = load();
    change_everything(store);
    EXPECT_EQ(read_file(dir_ / "history.json.refused-1000-2"), refused[1].second + "x");
    EXPECT_EQ(read_file(dir_ / "history.json.refused-1000"), refused[1].second);
    EXPECT_EQ(listing(dir_).size(), 9u) << "only the refused history was copied again";
}

// Refused files that are a symbolic link to a file outside the folder (a dotfiles setup) or a
// second name of one are copied: the file outside keeps its bytes, mode and single link, and the
// copy is a file of its own, so a later edit of the original leaves it alone. A symbolic link at a
// temporary name is replaced, not written through.
TEST_F(StoreFiles, KeepingARefusedFileAsideChangesNothingOutsideTheFolder) {
    const fs::path outside = temp_ / "dotfiles";
    fs::create_directories(outside);
    fs::create_directories(dir_);
    const std::string refused = R"([{"tabs":[],"active":0,"active":1}])";
    // The name in the folder, whether it is a symbolic link (else a hard link), whether refused.
    const std::tuple<std::string, bool, bool> cases[] = {
        {"session.json", true, true},
        {"history.json", false, true},
        {"settings.tmp", true, false},
    };
    for (const auto& [name, symbolic, is_refused] : cases) {
        const fs::path original = outside / name;
        write_file(original, refused);
        ::chmod(original.c_str(), 0644);
        if (symbolic) {
            fs::create_symlink(original, dir_ / name);
        } else {
            fs::create_hard_link(original, dir_ / name);
        }
    }
    Store store = load();
    store.settings_dirty = true;
    record_visit(store, "https://c.test/", "C");
    flush_store(store);
    save_session(store, {{{{"https://c.test/", "C"}}, 0}});
    for (const auto& [name, symbolic, is_refused] : cases) {
        const fs::path original = outside / name;
        struct stat kept {};
        struct stat outer {};
        ASSERT_EQ(::stat(original.c_str(), &outer), 0);
        EXPECT_EQ(std::tuple(read_file(original), outer.st_mode & 07777, outer.st_nlink),
                  std::tuple(refused, 0644u, 1u))
            << name;
        EXPECT_FALSE(fs::is_symlink(dir_ / name)) << name;
        const fs::path copy = dir_ / (name + ".refused-1000");
        if (!is_refused) {
            EXPECT_FALSE(fs::exists(copy)) << name;
            continue;
        }
        ASSERT_EQ(::lstat(copy.c_str(), &kept), 0) << name;
        EXPECT_TRUE(S_ISREG(kept.st_mode)) << name;
        EXPECT_NE(kept.st_ino, outer.st_ino) << name;
        EXPECT_EQ(std::tuple(read_file(copy), kept.st_mode & 07777, kept.st_nlink),
                  std::tuple(refused, 0600u, 1u))
            << name;
        write_file(original, "edited");
        EXPECT_EQ(read_file(copy), refused) << name;
    }
}

// A refused file this user cannot read (left by a run as another user) is moved aside whole, in
// a child process that gives up root first; the new session then takes its name.
TEST_F(StoreFiles, ARefusedFileThatCannotBeReadIsMovedAsideWhole) {
    constexpr uid_t kNobody = 65534;
    fs::create_directories(dir_);
    for (const fs::path& folder : {temp_.path(), temp_ / "data", dir_}) {
        ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0) << folder;
    }
    write_file(dir_ / "session.json", "not json");
    ::chmod((dir_ / "session.json").c_str(), 0600);
    struct stat before {};
    ASSERT_EQ(::stat((dir_ / "session.json").c_str(), &before), 0);
    const auto save_as_nobody = [&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0 ||
            read_file(dir_ / "session.json") == "not json") {
            return false;
        }
        Store store = load();
        save_session(store, {{{{"https://c.test/", "C"}}, 0}});
        return true;
    };
    EXPECT_EXIT(std::_Exit(save_as_nobody() ? 0 : 1), ::testing::ExitedWithCode(0), "");
    struct stat kept {};
    ASSERT_EQ(::stat((dir_ / "session.json.refused-1000").c_str(), &kept), 0);
    EXPECT_EQ(std::tuple(kept.st_ino, read_file(dir_ / "session.json.refused-1000")),
              std::tuple(before.st_ino, "not json"));
    EXPECT_EQ(read_file(dir_ / "session.json"),
              R"([{"tabs":[{"url":"https://c.test/","title":"C"}],"active":0}])");
}

// The lock prepares the folder; a second lock on it fails until the first is released, and
// another folder has a lock of its own.
TEST_F(StoreFiles, OneLockPerDataFolder) {
    std::optional<FolderLock> first = FolderLock::take(dir_);
    ASSERT_TRUE(first);
    EXPECT_EQ(mode_of(dir_), 0700u);
    EXPECT_FALSE(FolderLock::take(dir_));
    EXPECT_TRUE(FolderLock::take(temp_ / "other"));
    first.reset();
    EXPECT_TRUE(FolderLock::take(dir_));
}

// In a child process, whose limits and descriptors go with it: a write cut short (by the file
// size limit, as by a full disk) keeps the old file and the flag; with standard input closed,
// the temporary file opens as descriptor 0 and is written all the same.
TEST_F(StoreFiles, AWriteCutShortKeepsTheFlagAndDescriptorZeroIsAFileLikeAnyOther) {
    fs::create_directories(dir_);
    write_file(dir_ / "settings.json", "{}");
    Store store = load();
    store.settings_dirty = true;
    const auto flush_within_ten_bytes = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{10, 10};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        flush_store(store);
        return store.settings_dirty && read_file(dir_ / "settings.json") == "{}";
    };
    EXPECT_EXIT(std::_Exit(flush_within_ten_bytes() ? 0 : 1), ::testing::ExitedWithCode(0), "");
    const auto flush_without_standard_input = [&] {
        ::close(0);
        flush_store(store);
        return !store.settings_dirty && read_file(dir_ / "settings.json") != "{}";
    };
    EXPECT_EXIT(std::_Exit(flush_without_standard_input() ? 0 : 1), ::testing::ExitedWithCode(0),
                "");
}

TEST_F(StoreFiles, AFolderThatCannotBeCreatedLoadsDefaultsAndWritesNothing) {
    write_file(temp_ / "data", "a file");
    Store store = load();
    EXPECT_EQ(store.settings, Settings{});
    store.settings_dirty = true;
    flush_store(store);
    save_session(store, {});
    EXPECT_TRUE(store.settings_dirty);
    EXPECT_EQ(read_file(temp_ / "data"), "a file");
}

// A plain file where the data folder goes keeps its mode and bytes; it does not stop the start.
TEST_F(StoreFiles, APlainFileInPlaceOfTheFolderIsLeftAsItIs) {
    fs::create_directories(dir_.parent_path());
    write_file(dir_, "a file");
    ::chmod(dir_.c_str(), 0644);
    EXPECT_TRUE(FolderLock::take(dir_));
    Store store = load();
    store.settings_dirty = true;
    flush_store(store);
    save_session(store, {{{{"https://c.test/", "C"}}, 0}});
    EXPECT_EQ(std::tuple(read_file(dir_), mode_of(dir_)), std::tuple("a file", 0644u));
    EXPECT_EQ(listing(dir_.parent_path()), std::vector<std::string>{kDataFolderName});
}

} // namespace
} // namespace corvane
