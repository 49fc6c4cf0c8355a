#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace corvane::test {

// One HTTP/1.1 request as the server saw it.
struct HttpRequest {
    std::string method;
    std::string target; // as sent: "/a?b" or, through the proxy, "http://host/a?b"
    std::string path;   // target without scheme, host and query
    std::map<std::string, std::string> headers; // names lower-cased
};

struct HttpResponse {
    int status = 200;
    std::string content_type = "text/html; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// An answer whose body comes in pieces: `head` without its body, then what `write` sends. The
// head announces `length` bytes; the connection closes when `write` returns, so a body it cut
// short arrives cut short.
struct StreamedResponse {
    HttpResponse head;
    std::size_t length = 0;
    std::function<void(const std::function<void(std::string_view)>& send)> write;
};

// A 200 answer carrying an HTML page: the body after a doctype, so pages render in standards mode.
HttpResponse html_page(std::string body);

// A small HTTP server on 127.0.0.1 and a port of the system's choosing, answering each connection
// on a thread of its own (WebKit opens speculative connections that send nothing). It also serves
// as a plain HTTP proxy (absolute request targets), so pages can name hosts that are not local;
// CONNECT is refused, so https through it always fails. One request per connection.
class LoopbackServer {
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // "http://127.0.0.1:PORT"
    std::string origin() const { return origin_; }
    std::vector<HttpRequest> requests() const;
    // How many requests asked for this path (on any host).
    std::size_t count(const std::string& path) const;
    // From now on, requests for the path get the streamed answer instead of the handler's.
    void stream(const std::string& path, StreamedResponse response);

private:
    void serve();
    void answer(int client);

    Handler handler_;
    int listener_ = -1;
    std::string origin_;
    mutable std::mutex mutex_;
    std::vector<HttpRequest> requests_;
    std::map<std::string, StreamedResponse> streams_;
    std::vector<std::jthread> workers_; // joined first, while what they use is still there
    std::thread thread_;
};

} // namespace corvane::test
