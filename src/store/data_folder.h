#pragma once

// Where the store files live on Linux: "com.halbrin.corvane" inside $XDG_DATA_HOME, else inside
// ~/.local/share, else (no home folder at all) inside the temporary folder.

#include <filesystem>
#include <optional>
#include <string>

namespace corvane {

inline constexpr const char* kDataFolderName = "com.halbrin.corvane";

// What the choice depends on, gathered from the process so the choice itself is testable.
struct DataFolderSources {
    std::optional<std::string> xdg_data_home; // $XDG_DATA_HOME
    std::optional<std::string> home;          // $HOME
    std::optional<std::string> user_db_home;  // the user database's home for this user
    std::optional<std::string> tmpdir;        // $TMPDIR
};

// The sources of the running process (environment and getpwuid_r).
DataFolderSources data_folder_sources_from_process();

// XDG_DATA_HOME counts only when absolute; HOME, the user database and TMPDIR only when not
// empty; the last resort is "/tmp".
std::filesystem::path choose_data_folder(const DataFolderSources& sources);

// Creates the folder and its missing parents when needed and sets it to mode 0700, also when it
// already existed. Failures are ignored: reads then fail (defaults) and writes fail silently.
void prepare_data_folder(const std::filesystem::path& dir);

} // namespace corvane
