#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace corvane::platform {

// The longest file name, in bytes, that the file system holding folder accepts (NAME_MAX when it
// does not say).
std::size_t longest_file_name(const std::filesystem::path& folder);

// A unique destination for a download: the suggested name (reduced to a plain file name) in
// folder, with " (1)", " (2)", ... before the extension while a file of that name exists. A name
// longer than longest_name bytes is cut short before its extension, at a character boundary,
// leaving room for the " (1)" that a second download of it gets.
std::filesystem::path unique_download_path(const std::filesystem::path& folder,
                                           const std::string& suggested_name,
                                           std::size_t longest_name);

} // namespace corvane::platform
