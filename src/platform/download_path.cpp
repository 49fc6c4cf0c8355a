#include "platform/download_path.h"

#include <system_error>

namespace corvane::platform {

namespace {

std::string plain_file_name(const std::string& suggested) {
    std::string name = std::filesystem::path(suggested).filename().string();
    if (name.empty() || name == "." || name == "..") {
        return "download";
    }
    return name;
}

} // namespace

std::filesystem::path unique_download_path(const std::filesystem::path& folder,
                                           const std::string& suggested_name) {
    std::filesystem::path name = plain_file_name(suggested_name);
    std::filesystem::path candidate = folder / name;
    std::error_code error;
    std::string stem = name.stem().string();
    std::string extension = name.extension().string();
    // A link counts as taken even when it points nowhere: writing would follow it.
    for (int n = 1; std::filesystem::exists(std::filesystem::symlink_status(candidate, error));
         ++n) {
        candidate = folder / (stem + " (" + std::to_string(n) + ")" + extension);
    }
    return candidate;
}

} // namespace corvane::platform
