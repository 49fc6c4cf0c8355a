#include "store/data_folder.h"

#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace corvane {

namespace {

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::string> user_database_home() {
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
    for (;;) {
        passwd entry{};
        passwd* found = nullptr;
        const int error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found);
        if (error == ERANGE && buffer.size() < (1u << 20)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (error != 0 || found == nullptr || found->pw_dir == nullptr) {
            return std::nullopt;
        }
        return std::string(found->pw_dir);
    }
}

bool usable(const std::optional<std::string>& value) {
    return value && !value->empty();
}

} // namespace

DataFolderSources data_folder_sources_from_process() {
    DataFolderSources sources;
    sources.xdg_data_home = environment("XDG_DATA_HOME");
    sources.home = environment("HOME");
    // The user database is asked only when HOME does not answer.
    if (!usable(sources.home)) {
        sources.user_db_home = user_database_home();
    }
    sources.tmpdir = environment("TMPDIR");
    return sources;
}

std::filesystem::path choose_data_folder(const DataFolderSources& sources) {
    std::filesystem::path base;
    if (sources.xdg_data_home && std::filesystem::path(*sources.xdg_data_home).is_absolute()) {
        base = *sources.xdg_data_home;
    } else if (usable(sources.home)) {
        base = std::filesystem::path(*sources.home) / ".local/share";
    } else if (usable(sources.user_db_home)) {
        base = std::filesystem::path(*sources.user_db_home) / ".local/share";
    } else if (usable(sources.tmpdir)) {
        base = *sources.tmpdir;
    } else {
        base = "/tmp";
    }
    return base / kDataFolderName;
}

void prepare_data_folder(const std::filesystem::path& dir) {
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    // Owner only, at every start: the folder holds the user's history. Only a folder: a plain
    // file in its place is left as it is.
    const int folder = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fchmod(folder, S_IRWXU);
        ::close(folder);
    }
}

} // namespace corvane
