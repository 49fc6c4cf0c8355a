#pragma once

// A page stuck in a script answers nothing, so what the user asks of its tab (an address, Reload,
// Stop, Back, Forward) would wait for ever. Such a request ends the page's web process and goes
// to a fresh one.

#include "core/app.h"

#include <chrono>
#include <cstddef>

namespace corvane {

// How long the engine's report that a page does not answer still concerns the user's request
// before it: the engine waits a few seconds for an answer before it reports.
inline constexpr std::chrono::seconds kRequestAnswerSpan{10};

// Makes the request of the tab's view. A view whose web process is known not to answer has it
// ended first; otherwise the request is kept until a load starts, for the report that it does
// not. Nothing for a sleeping tab.
void ask_page(App& app, Tab& tab, PageRequest request);

// The same for the window's active tab, with a request that names no URL.
void ask_active_page(App& app, std::size_t window, PageRequest::Kind kind);

// The tab's web process does not answer: a request the user made shortly before, whose load has
// not started, is made again in a fresh process.
void on_web_content_unresponsive(App& app, const event::WebContentUnresponsive& hung);

} // namespace corvane
