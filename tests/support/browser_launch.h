#pragma once

// The real browser binary started as a person would start it from a terminal, for the e2e tests
// and the benchmarks that drive the whole program.

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace corvane::test {

// Starts binary with urls as its arguments, its data and cache folders under data and its
// standard output and error appended to log. The child's process id.
pid_t launch_browser(const std::string& binary, const std::filesystem::path& data,
                     const std::vector<std::string>& urls, const std::filesystem::path& log);

} // namespace corvane::test
