#pragma once

// Whole-file reading and crash-safe replacing of the store files.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The whole content of a regular file; std::nullopt when it is absent, unreadable or not a
// regular file (a folder, or a FIFO, which is never waited on).
std::optional<std::string> read_regular_file(const std::filesystem::path& path);

// Replaces `target` with `text` through a sibling with the extension ".tmp": the sibling is
// written, set to mode 0600, flushed to disk and renamed over the target, so a crash or power
// cut leaves either the old or the new file, never a torn one. Returns true only when the
// rename happened; on failure the target keeps its previous content.
bool replace_file(const std::filesystem::path& target, std::string_view text);

// Whether path names a regular file (through a symbolic link too), readable or not.
bool holds_regular_file(const std::filesystem::path& path);

// Keeps the file at path, byte for byte, as a new file of mode 0600 named
// "<name>.refused-<seconds>", or "<name>.refused-<seconds>-2", "-3", ... when that is taken: an
// earlier copy is never replaced, and the file kept (or the one a symbolic link names) is never
// changed. A file that cannot be read is moved to that name instead. True once a copy exists or
// when there is no file to keep; false when none could be made.
bool keep_aside(const std::filesystem::path& path, std::uint64_t seconds);

} // namespace corvane
