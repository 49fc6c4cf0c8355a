#pragma once

#include <filesystem>
#include <string>

namespace corvane::platform {

// A unique destination for a download: the suggested name (reduced to a plain file name) in
// folder, with " (1)", " (2)", ... before the extension while a file of that name exists.
std::filesystem::path unique_download_path(const std::filesystem::path& folder,
                                           const std::string& suggested_name);

} // namespace corvane::platform
