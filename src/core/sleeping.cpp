#include "core/sleeping.h"

#include "core/closing.h"
#include "core/page_calls.h"
#include "core/tabs.h"
#include "core/windows.h"
#include "engine/actions.h"

#include "json/strict_reader.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace corvane {

const std::string_view kSleepGuardScript =
    R"JS((()=>{try{if(document.fullscreenElement)return"fullscreen";for(const m of document.querySelectorAll('video,audio')){if(!m.paused&&!m.ended&&!m.muted&&m.volume>0&&m.readyState>2)return"media"}if(window.__corvaneTyped)return"typed";return"ok"}catch(e){return"ok"}})())JS";

void request_sleep(App& app, TabId id) {
    const std::optional<TabLocation> where = find_tab(app, id);
    if (!where) {
        return;
    }
    Tab& tab = app.windows[where->window].tabs[where->tab];
    if (!tab.webview) {
        return;
    }
    // The callback holds the proxy and the id only: the tab may be gone when the answer comes.
    tab.webview->evaluate_script(std::string(kSleepGuardScript),
                                 [proxy = app.proxy, id, view = tab.view](std::string reply) {
                                     proxy.send_event(read_sleep_reply(reply, id, view));
                                 });
}

void enforce_max_awake(App& app, std::size_t window) {
    const BrowserWindow& record = app.windows[window];
    const std::size_t limit = std::max<std::uint32_t>(app.store.settings.max_awake_tabs, 1);
    std::vector<const Tab*> candidates;
    for (std::size_t i = 0; i < record.tabs.size(); ++i) {
        if (i != record.active && record.tabs[i].webview) {
            candidates.push_back(&record.tabs[i]);
        }
    }
    if (candidates.size() <= limit) {
        return;
    }
    std::sort(candidates.begin(), candidates.end(), [](const Tab* a, const Tab* b) {
        return a->last_active != b->last_active ? a->last_active < b->last_active : a->id < b->id;
    });
    std::vector<TabId> ids;
    for (std::size_t i = 0; i < candidates.size() - limit; ++i) {
        ids.push_back(candidates[i]->id);
    }
    for (const TabId id : ids) {
        request_sleep(app, id);
    }
}

event::SleepAnswer read_sleep_reply(const std::string& reply_json, TabId tab, ViewId view) {
    if (const std::optional<json::Json> value = json::parse_strict(reply_json, json::kMaxDepth)) {
        if (std::optional<std::string> answer = json::as_string(*value)) {
            const bool ok = *answer == "ok";
            return {std::move(*answer), tab, ok, view};
        }
    }
    return {"ok", tab, true, view};
}

std::string sleep_debug_line(const event::SleepAnswer& answer, std::string_view url) {
    std::string line = "[corvane] sleep ";
    line += answer.ok ? "OK" : "REFUSED (" + answer.answer + ")";
    line += " tab" + std::to_string(answer.tab) + " ";
    line += url;
    return line;
}

void handle_sleep_answer(App& app, const event::SleepAnswer& answer) {
    const std::optional<TabLocation> where = find_tab(app, answer.tab);
    if (std::getenv("CORVANE_DEBUG") != nullptr) {
        const std::string_view url =
            where ? std::string_view(app.windows[where->window].tabs[where->tab].url) : "";
        std::fprintf(stderr, "%s\n", sleep_debug_line(answer, url).c_str());
    }
    if (!answer.ok || !where) {
        return;
    }
    BrowserWindow& window = app.windows[where->window];
    Tab& tab = window.tabs[where->tab];
    // The user may have switched to the tab meanwhile; a tab asleep already, or woken since on a
    // new view whose page was never asked, stays as it is too.
    // A page being asked whether it may close, or waiting for the person's answer, keeps its view.
    if (where->tab == window.active || !tab.holds(answer.view) || page_is_asked(app, tab.id)) {
        return;
    }
    if (std::optional<std::string> url = current_url(*tab.webview)) {
        tab.url = std::move(*url);
    }
    // The engine would keep the process of the closed page alive for a while, for reuse by its
    // site; a tab goes to sleep to give that memory back, so the process ends with the view.
    tab.webview->terminate_web_process();
    drop_tab_view(tab);
    tab.loading = false;
    render(app, where->window);
}

bool is_idle(Instant now, Instant last_active, std::uint32_t sleep_after_mins) {
    // A setting past what the clock can count (a hand-edited file) is never reached; the check
    // keeps the conversion to clock ticks from overflowing.
    constexpr auto kLongest =
        std::chrono::duration_cast<std::chrono::minutes>(Instant::duration::max());
    const std::chrono::minutes threshold(sleep_after_mins);
    if (sleep_after_mins == 0 || last_active > now || threshold > kLongest) {
        return false;
    }
    return now - last_active > threshold;
}

std::vector<TabId> idle_background_tabs(const App& app) {
    std::vector<TabId> idle;
    const std::uint32_t minutes = app.store.settings.sleep_after_mins;
    if (minutes == 0) {
        return idle;
    }
    const Instant now = app.now();
    for (const BrowserWindow& window : app.windows) {
        for (std::size_t i = 0; i < window.tabs.size(); ++i) {
            const Tab& tab = window.tabs[i];
            if (i != window.active && tab.webview && is_idle(now, tab.last_active, minutes)) {
                idle.push_back(tab.id);
            }
        }
    }
    return idle;
}

void sleep_tick(App& app) {
    for (const TabId id : idle_background_tabs(app)) {
        request_sleep(app, id);
    }
    save_session_if_changed(app);
    flush_store(app.store);
}

} // namespace corvane
