#pragma once

// What a file: URL names on this machine. The engine reads a device, a FIFO or a socket as if it
// were a file: /dev/zero never ends and fills the disk as a download, a FIFO blocks its reader.

#include <filesystem>

namespace corvane::platform {

enum class LocalTarget { missing, regular_file, folder, other };

// Follows links; "missing" for a path that cannot be examined at all.
LocalTarget local_target(const std::filesystem::path& path);

// A page may load it: a regular file, a folder, or nothing (the engine reports that itself).
bool may_load_local(const std::filesystem::path& path);

} // namespace corvane::platform
