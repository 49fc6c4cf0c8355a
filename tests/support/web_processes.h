#pragma once

// WebKit's web processes as the system lists them. No call tells which process shows a view, so a
// test that ends one makes its page the largest first.

#include <optional>
#include <sys/types.h>

namespace corvane::test {

// The web process below this one (following parent links) with the largest resident size; none
// when no web process runs below it.
std::optional<pid_t> largest_web_process();

// The resident size in KiB of this process and every process below it, whatever its command.
long process_tree_resident_kib();

} // namespace corvane::test
