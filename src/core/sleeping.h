#pragma once

// Putting idle background tabs to sleep: a sleeping tab drops its web view and keeps its record.
// A page is always asked first; only the answer "ok" lets its tab sleep.

#include "core/app.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Answers "fullscreen", "media", "typed" or "ok" (also when the check itself throws).
extern const std::string_view kSleepGuardScript;

// Asks the tab's page whether it may sleep; the answer arrives as a SleepAnswer event. Nothing
// for an unknown or sleeping tab.
void request_sleep(App& app, TabId tab);

// Asks the background tabs that were active longest ago to sleep while more than the setting
// max_awake_tabs (0 counts as 1) are awake, besides the active tab.
void enforce_max_awake(App& app, std::size_t window);

// Reads the guard script's reply: its answer and whether the tab may sleep. A failed evaluation
// or a reply that is not a string lets it sleep.
event::SleepAnswer read_sleep_reply(const std::string& reply_json, TabId tab, ViewId view);

void handle_sleep_answer(App& app, const event::SleepAnswer& answer);

// The debug line written for each answer when CORVANE_DEBUG is set (without the line feed).
std::string sleep_debug_line(const event::SleepAnswer& answer, std::string_view url);

// Idle strictly longer than the setting's minutes; a last activity in the future is not idle.
bool is_idle(Instant now, Instant last_active, std::uint32_t sleep_after_mins);

// Awake background tabs idle past the setting sleep_after_mins (none when it is 0), windows in
// order, tabs in strip order.
std::vector<TabId> idle_background_tabs(const App& app);

// The periodic tick: asks the idle tabs to sleep, writes the session when the tabs changed
// since it was last written, then writes the dirty store files.
void sleep_tick(App& app);

} // namespace corvane
