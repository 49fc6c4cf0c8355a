#pragma once

// The files of the built-in pages (everything under ui/ and newtab/), compiled into the program
// by the build. The bytes live in static storage for the whole run.

#include <optional>
#include <span>
#include <string_view>

namespace corvane {

struct EmbeddedFile {
    std::string_view path; // the path it is served as, e.g. "ui/app.js"
    std::string_view bytes;
};

// Every embedded file, sorted by path.
std::span<const EmbeddedFile> embedded_files();

// The bytes of one file, or none when the build found no such file.
std::optional<std::string_view> embedded_file(std::string_view path);

} // namespace corvane
