#pragma once

// Website data stores (network sessions) and the custom URL scheme of the two web contexts.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace corvane::platform {

// The two groups of web views that have their own scheme handler: the browser's own pages
// and content tabs.
enum class WebContextKind { ui, content };

struct SchemeRequest {
    std::string uri;
    std::string method;
    // The requesting view's label ("" when WebKit names no view).
    std::string view_label;
    // True only when WebKit names the requesting view and its store is not a private one; a
    // request from an unknown view counts as private.
    bool normal_session = false;
};

struct SchemeResponse {
    int status = 200;
    std::string content_type;
    // Further headers, sent as given.
    std::vector<std::pair<std::string, std::string>> headers;
    // Bytes in static storage (an embedded file) go to the engine without a copy; generated
    // text is owned by the response.
    std::variant<std::string_view, std::string> body;

    std::string_view body_bytes() const {
        return std::visit([](const auto& bytes) { return std::string_view(bytes); }, body);
    }
};

// Answers one request synchronously on the main thread.
using SchemeHandler = std::function<SchemeResponse(const SchemeRequest&)>;

struct DownloadStart {
    std::uint64_t id = 0; // unique for the run
    std::string url;
    // Where the file will be written: a name in the download folder that no file has yet.
    std::string destination;
    std::string view_label; // "" when no view started it
};

struct DownloadEnd {
    std::uint64_t id = 0;
    std::string url;
    std::string destination;
    bool success = false;
};

// A website data store. Views hold their session; dropping the last holder frees it.
class NetworkSession {
public:
    virtual ~NetworkSession() = default;

    // True for a store that keeps nothing on disk.
    virtual bool is_ephemeral() const = 0;
    // Removes every kind of website data, whatever its age. Returns at once; nobody is told
    // when it is done.
    virtual void clear_website_data() = 0;

    // Hooks, on the main thread. Every download reports its end exactly once.
    std::function<void(const DownloadStart&)> on_download_started;
    std::function<void(const DownloadEnd&)> on_download_finished;
};

} // namespace corvane::platform
