#include "engine/actions.h"

#include "address/url_classify.h"

#include "json/strict_reader.h"
#include <string_view>
#include <utility>

namespace corvane {

const std::string_view kFaviconProbeScript =
    R"JS((()=>{const i=document.querySelector('link[rel~="icon"][href],link[rel="apple-touch-icon"][href]');return JSON.stringify({i:i?i.href:(location.protocol==='https:'?location.origin+'/favicon.ico':'')})})())JS";

namespace {

bool is_json_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_json_space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_json_space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The probe's reply object {"i": text}, or the array form [text]; other members are ignored.
std::optional<std::string> read_meta(std::string_view text) {
    std::optional<json::Json> value = json::parse_strict(text, json::kMaxDepth);
    if (!value) {
        return std::nullopt;
    }
    if (value->is_object()) {
        auto found = value->find("i");
        return found == value->end() ? std::nullopt : json::as_string(*found);
    }
    if (value->is_array() && value->size() == 1) {
        return json::as_string((*value)[0]);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> current_url(const platform::WebView& view) {
    std::string url = view.uri();
    if (url.empty() || url == "about:blank") {
        return std::nullopt;
    }
    return url;
}

void stop_loading(platform::WebView& view) {
    view.evaluate_script("window.stop()");
}

std::optional<std::string> read_favicon_reply(const std::string& result_json) {
    // The probe returns JSON text as a string, so the result is that string's JSON form.
    std::optional<json::Json> outer = json::parse_strict(result_json, 0);
    std::string reply = outer ? json::as_string(*outer).value_or("") : "";
    std::optional<std::string> icon = read_meta(reply);
    return icon ? favicon_url_ok(*icon) : std::nullopt;
}

void probe_favicon(platform::WebView& view, EventLoopProxy proxy, TabId tab, ViewId number) {
    view.evaluate_script(std::string(kFaviconProbeScript), [proxy = std::move(proxy), tab,
                                                            number](std::string result) {
        proxy.send_event(event::FaviconFound{read_favicon_reply(result), tab, number});
    });
}

void eval_with_callback_find(platform::WebView& view, const std::string& script,
                             EventLoopProxy proxy, WindowId window, ViewId number) {
    view.evaluate_script(script, [proxy = std::move(proxy), window, number](std::string result) {
        proxy.send_event(event::FindResult{window, trim(result) == "true", number});
    });
}

void eval_with_callback_devtools(platform::WebView& view, const std::string& script,
                                 EventLoopProxy proxy, WindowId window, std::uint64_t id) {
    view.evaluate_script(script, [proxy = std::move(proxy), window, id](std::string result) {
        proxy.send_event(event::DevEvalResult{std::move(result), window, id});
    });
}

} // namespace corvane
