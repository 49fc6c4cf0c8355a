#pragma once

// Clearing website data, and how much memory the browser and its WebKit processes use.

#include "engine/engine_config.h"
#include "platform/system.h"

#include <cstdint>
#include <string_view>

namespace corvane {

// Erases every kind of website data of the persistent store; private stores are untouched.
// Returns at once. Main thread only.
void clear_website_data(const EngineConfig& config);

// Resident bytes of the browser and of the WebKit processes working for it (those that have the
// browser among their ancestors, the sandbox's own processes between them); 0 when the process
// listing cannot be read.
std::uint64_t webkit_memory_bytes(platform::System& system);

// The same over the text of "/bin/ps -axo pid=,ppid=,rss=,comm=".
std::uint64_t memory_bytes_from_listing(std::string_view listing, std::uint32_t own_pid);

} // namespace corvane
