#pragma once

#include <string_view>

namespace corvane::platform {

// Start-up marks for the browser bench (bench/browser): with CORVANE_STARTUP_TRACE set in the
// environment, the first time each named moment is reached "startup-trace NAME MICROSECONDS"
// goes to standard error, on the monotonic clock the bench times the launch with. Names hold no
// blanks. Otherwise nothing is written and a mark costs one flag test.
void startup_mark(std::string_view name);

} // namespace corvane::platform
