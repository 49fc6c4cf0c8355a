#include "scoped_env.h"
#include "store/history.h"
#include "store/store.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

mode_t mode_of(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

std::vector<std::string> folder_listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs the body with a process umask and puts the old one back.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t old_;
};

class StoreFiles : public ::testing::Test {
protected:
    Store load() {
        return load_store(dir_, [this] { return now_; });
    }

    test::TempDir temp_;
    fs::path dir_ = temp_ / "data/com.halbrin.corvane";
    std::uint64_t now_ = 1000;
};

TEST_F(StoreFiles, FirstStartCreatesTheFolderAndWritesNothing) {
    const Store store = load();
    EXPECT_EQ(mode_of(dir_), 0700u);
    EXPECT_TRUE(folder_listing(dir_).empty());
    EXPECT_EQ(store.settings, Settings{});
    EXPECT_TRUE(store.history.empty() && store.bookmarks.empty() && store.session.empty());
    EXPECT_FALSE(store.settings_dirty || store.history_dirty || store.bookmarks_dirty);
}

TEST_F(StoreFiles, LoadFromTheEnvironmentUsesXdgDataHomeElseHome) {
    {
        test::ScopedEnv xdg("XDG_DATA_HOME", (temp_ / "xdg").c_str());
        const Store store = load_store();
        EXPECT_EQ(store.dir, temp_ / "xdg/com.halbrin.corvane");
        EXPECT_EQ(mode_of(store.dir), 0700u);
    }
    test::ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    test::ScopedEnv home("HOME", (temp_ / "home").c_str());
    const Store store = load_store();
    EXPECT_EQ(store.dir, temp_ / "home/.local/share/com.halbrin.corvane");
    EXPECT_EQ(mode_of(store.dir), 0700u);
}

TEST_F(StoreFiles, FilesAreIndependentAndRejectedFilesStayUntouched) {
    fs::create_directories(dir_);
    write_file(dir_ / "settings.json", R"({"search_engine":"kagi"})");
    write_file(dir_ / "history.json", R"([{"url":"https://a.test/","title":"A","visits":1}])");
    write_file(dir_ / "bookmarks.json", R"([["https://b.test/","B",7]])");
    write_file(dir_ / "session.json", R"([{"tabs":[{"url":"u","title":"t"}],"active":3}])");
    const Store store = load();
    EXPECT_EQ(store.settings.search_engine, "kagi");
    EXPECT_TRUE(store.history.empty());
    EXPECT_EQ(store.bookmarks, (std::vector<Bookmark>{{"https://b.test/", "B", 7}}));
    EXPECT_EQ(store.session, (std::vector<SessionWindow>{{{{"u", "t"}}, 3}}));
    EXPECT_EQ(read_file(dir_ / "history.json"),
              R"([{"url":"https://a.test/","title":"A","visits":1}])");
}

TEST_F(StoreFiles, AFolderInPlaceOfAFileLoadsDefaults) {
    fs::create_directories(dir_ / "settings.json");
    fs::create_directories(dir_ / "history.json");
    Store store = load();
    EXPECT_EQ(store.settings, Settings{});
    EXPECT_TRUE(store.history.empty());

    // The rename cannot replace a folder: the flag stays for the next flush.
    store.settings_dirty = true;
    flush_store(store);
    EXPECT_TRUE(store.settings_dirty);
    EXPECT_TRUE(fs::is_directory(dir_ / "settings.json"));
}

TEST_F(StoreFiles, AFifoInPlaceOfAFileIsNotWaitedOn) {
    fs::create_directories(dir_);
    ASSERT_EQ(::mkfifo((dir_ / "session.json").c_str(), 0600), 0);
    EXPECT_TRUE(load().session.empty());
}

TEST_F(StoreFiles, FlushWritesOnlyDirtyFilesWithOwnerOnlyModeWhateverTheUmask) {
    ScopedUmask open_umask(0);
    Store store = load();
    store.settings.https_only = false;
    store.settings_dirty = true;
    flush_store(store);
    EXPECT_EQ(folder_listing(dir_), std::vector<std::string>{"settings.json"});
    EXPECT_EQ(mode_of(dir_ / "settings.json"), 0600u);
    EXPECT_FALSE(store.settings_dirty);
    EXPECT_EQ(read_file(dir_ / "settings.json"),
              R"({"search_engine":"duckduckgo","block_trackers":true,"https_only":false,)"
              R"("sleep_after_mins":10,"max_awake_tabs":6,"restore_session":true,)"
              R"("shield_allowlist":[]})");

    record_visit(store, "https://a.test/", "A");
    toggle_bookmark(store, "https://a.test/", "A");
    flush_store(store);
    EXPECT_EQ(folder_listing(dir_),
              (std::vector<std::string>{"bookmarks.json", "history.json", "settings.json"}));
    EXPECT_EQ(read_file(dir_ / "history.json"),
              R"([{"url":"https://a.test/","title":"A","visits":1,"last":1000}])");
    EXPECT_EQ(read_file(dir_ / "bookmarks.json"),
              R"([{"url":"https://a.test/","title":"A","added":1000}])");
    EXPECT_EQ(mode_of(dir_ / "history.json"), 0600u);
    EXPECT_EQ(mode_of(dir_ / "bookmarks.json"), 0600u);
}

TEST_F(StoreFiles, FlushWithoutFlagsTouchesNoFile) {
    fs::create_directories(dir_);
    write_file(dir_ / "history.json", "not json");
    Store store = load();
    flush_store(store);
    EXPECT_EQ(folder_listing(dir_), std::vector<std::string>{"history.json"});
    EXPECT_EQ(read_file(dir_ / "history.json"), "not json");
}

TEST_F(StoreFiles, AStaleTemporaryFileIsReplacedAndRemovedByTheRename) {
    fs::create_directories(dir_);
    write_file(dir_ / "history.tmp", std::string(100000, 'x'));
    ::chmod((dir_ / "history.tmp").c_str(), 0644);
    Store store = load();
    clear_history(store);
    flush_store(store);
    EXPECT_EQ(folder_listing(dir_), std::vector<std::string>{"history.json"});
    EXPECT_EQ(read_file(dir_ / "history.json"), "[]");
    EXPECT_EQ(mode_of(dir_ / "history.json"), 0600u);
}

TEST_F(StoreFiles, SaveSessionWritesAtOnceAndReplacesTheOldSession) {
    Store store = load();
    save_session(store, {{{{"https://a.test/", "A"}}, 0}, {{}, 5}});
    EXPECT_EQ(read_file(dir_ / "session.json"),
              R"([{"tabs":[{"url":"https://a.test/","title":"A"}],"active":0},)"
              R"({"tabs":[],"active":5}])");
    save_session(store, {});
    EXPECT_EQ(read_file(dir_ / "session.json"), "[]");
    EXPECT_TRUE(store.session.empty());
    EXPECT_EQ(mode_of(dir_ / "session.json"), 0600u);
    EXPECT_EQ(folder_listing(dir_), std::vector<std::string>{"session.json"});
}

TEST_F(StoreFiles, WrittenDataLoadsBackEqual) {
    Store store = load();
    store.settings.shield_allowlist = {"a.test"};
    store.settings_dirty = true;
    record_visit(store, "https://a.test/é", "Tab\t\"é\"");
    toggle_bookmark(store, "https://b.test/", "B\n");
    save_session(store, {{{{"https://c.test/", ""}}, 2}});
    flush_store(store);
    const Store again = load();
    EXPECT_EQ(again.settings, store.settings);
    EXPECT_EQ(again.history, store.history);
    EXPECT_EQ(again.bookmarks, store.bookmarks);
    EXPECT_EQ(again.session, store.session);
}

// A failed write keeps the old file and the flag, so the change is written once the folder is
// writable again.
void expect_failed_flush_is_retried(Store& store, const fs::path& dir,
                                    const std::function<void()>& repair) {
    store.settings.search_engine = "bing";
    store.settings_dirty = true;
    flush_store(store);
    EXPECT_TRUE(store.settings_dirty);
    EXPECT_EQ(read_file(dir / "settings.json"), "{}");
    repair();
    flush_store(store);
    EXPECT_FALSE(store.settings_dirty);
    EXPECT_NE(read_file(dir / "settings.json").find("\"bing\""), std::string::npos);
}

TEST_F(StoreFiles, FolderInPlaceOfTheTemporaryFileFailsTheWriteAndKeepsTheFlag) {
    fs::create_directories(dir_);
    write_file(dir_ / "settings.json", "{}");
    Store store = load();
    fs::create_directories(dir_ / "settings.tmp/inner");
    expect_failed_flush_is_retried(store, dir_, [&] { fs::remove_all(dir_ / "settings.tmp"); });
}

// The read-only folder case without gtest macros, so that it can run in a child process:
// returns true when the write failed with the flag kept and was retried once writable again.
bool read_only_folder_write_is_retried(const fs::path& dir) {
    Store store = load_store(dir);
    ::chmod(dir.c_str(), 0500);
    store.settings.search_engine = "bing";
    store.settings_dirty = true;
    flush_store(store);
    const bool failed_and_kept = store.settings_dirty && read_file(dir / "settings.json") == "{}" &&
                                 !fs::exists(dir / "settings.tmp");
    ::chmod(dir.c_str(), 0700);
    flush_store(store);
    return failed_and_kept && !store.settings_dirty &&
           read_file(dir / "settings.json").find("\"bing\"") != std::string::npos;
}

TEST_F(StoreFiles, ReadOnlyFolderFailsTheWriteAndKeepsTheFlag) {
    fs::create_directories(dir_);
    write_file(dir_ / "settings.json", "{}");
    if (::geteuid() != 0) {
        EXPECT_TRUE(read_only_folder_write_is_retried(dir_));
        return;
    }
    // Permission bits do not stop root, so the case runs in a child process as "nobody".
    constexpr uid_t kNobody = 65534;
    ::chmod(temp_.path().c_str(), 0755);
    for (const auto& entry : fs::recursive_directory_iterator(temp_.path())) {
        ASSERT_EQ(::chown(entry.path().c_str(), kNobody, kNobody), 0) << entry.path();
    }
    EXPECT_EXIT(
        {
            const bool dropped = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
            std::_Exit(dropped && read_only_folder_write_is_retried(dir_) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(StoreFiles, FolderThatCannotBeCreatedLoadsDefaultsAndWritesNothing) {
    write_file(temp_ / "data", "a regular file where the folder should be");
    dir_ = temp_ / "data/com.halbrin.corvane";
    Store store = load();
    EXPECT_EQ(store.settings, Settings{});
    store.settings_dirty = true;
    record_visit(store, "https://a.test/", "");
    flush_store(store);
    save_session(store, {});
    EXPECT_TRUE(store.settings_dirty && store.history_dirty);
    EXPECT_EQ(read_file(temp_ / "data"), "a regular file where the folder should be");
}

} // namespace
} // namespace corvane
