#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// The process's command line, the program's own path first. Kept as plain strings so the scanners
// below can be tested without a process.
using Arguments = std::vector<std::string>;

// True when an argument (the program's path included) is exactly "--devtools" or begins with
// "--devtools-selftest": the chrome's first ready message then opens the developer-tools pane.
bool wants_devtools(const Arguments& args);

// A launch may ask for a private window of its own with "--private-window" (the desktop entry's
// action). Its URLs then open in that window.
enum class WindowRequest { none, private_window };

WindowRequest requested_window(const Arguments& args);

// The value of the first "--devtools-selftest=VALUE" argument (possibly empty); none without one.
std::optional<std::string> selftest_value(const Arguments& args);

// The arguments after the program's path that do not begin with "-", in order. Empty arguments
// are kept: they open the new tab page like any refused text.
std::vector<std::string> collect_open_arguments(const Arguments& args);

// What an argument asks to open: the file URL of an existing file or folder it names (absolute,
// or relative to working_directory), else the argument itself, to be resolved as typed text.
std::string open_argument_text(const std::string& argument,
                               const std::filesystem::path& working_directory);

} // namespace corvane
