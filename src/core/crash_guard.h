#pragma once

// A page whose process keeps ending: the shown tab reloads it after a crash, but not without end.

#include "core/app.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

inline constexpr std::size_t kCrashesBeforeStop = 3;
inline constexpr std::chrono::seconds kCrashSpan{60};

// Notes a crash at now in crashes (older ones fall out); true when it is the kCrashesBeforeStop-th
// within kCrashSpan, and the page is no longer reloaded by itself.
bool crashed_too_often(std::vector<Instant>& crashes, Instant now);

// The page shown in place of the one that kept crashing, under its title.
std::string crash_page_html(std::string_view title);
// The page shown in place of one that did not answer and was stopped, under its title.
std::string stopped_page_html(std::string_view title);

} // namespace corvane
