#pragma once

// Downloads as the browser keeps them for the run: records, toasts and the unseen flag.

#include "core/app.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

// The last part of a path ("" for "/", "." or a path ending in ".."), as valid UTF-8.
std::string download_file_name(std::string_view path);

// "0083;" + seconds since 1970 in lower-case hex + ";Corvane;".
std::string quarantine_value(std::uint64_t seconds);

void handle_download_started(App& app, const event::DownloadStarted& started);
void handle_download_finished(App& app, const event::DownloadFinished& finished);
// "Blocked: {reason}" in the window of the tab whose page was refused.
void handle_page_refused(App& app, const event::PageRefused& refused);

} // namespace corvane
