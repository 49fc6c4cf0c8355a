#pragma once

// WebKit's web and network processes live behind a sandbox and outlive the browser that started
// them for a moment. A test that is about to remove their folders waits for them first; they are
// recognised by an environment entry the test gave them, such as their cache folder.

#include <chrono>
#include <string>

namespace corvane::test {

// True while a process other than this one has `entry` ("NAME=value") in its environment.
bool any_other_process_has_environment(const std::string& entry);

// Waits until no other process has `entry`, at most `timeout`.
void wait_for_helper_processes(const std::string& entry,
                               std::chrono::milliseconds timeout = std::chrono::seconds(10));

} // namespace corvane::test
