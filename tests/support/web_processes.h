#pragma once

// The browser's and WebKit's processes. No call tells which web process shows a view, so a test
// that ends one makes its page the largest first. WebKit's processes live behind a sandbox and
// outlive the browser that started them for a moment, so a test about to remove their folders
// waits for them first, recognising them by an environment entry it gave them.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace corvane::test {

// Starts the browser binary with args, its data and cache folders under data and its standard
// output and error appended to log, as a person would from a terminal. The child's process id.
pid_t launch_browser(const std::string& binary, const std::filesystem::path& data,
                     std::vector<std::string> args, const std::filesystem::path& log);

// The web process below this one (following parent links) with the largest resident size; none
// when no web process runs below it.
std::optional<pid_t> largest_web_process();

// The network processes below this one (the browser's own, not another program's).
std::vector<pid_t> network_processes();

// The resident size in KiB of this process and every process below it, whatever its command.
long process_tree_resident_kib();

// Waits, at most `timeout`, until no process but this one has `entry` ("NAME=value") in its
// environment.
void wait_for_helper_processes(const std::string& entry,
                               std::chrono::milliseconds timeout = std::chrono::seconds(10));

} // namespace corvane::test
