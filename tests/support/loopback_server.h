#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
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
    std::string body;
    bool tls = false; // came through a CONNECT tunnel
};

// The two directions of a connection: a plain socket's, or a TLS session's over it.
struct Connection {
    // The bytes read into buffer; 0 or less when the peer closed or said nothing in time.
    std::function<std::ptrdiff_t(char* buffer, std::size_t size)> read;
    std::function<void(std::string_view data)> write;
};

// Serves a CONNECT tunnel to host over the client's socket once the server has agreed to it: the
// connection to read requests from, or none to close it.
using Tunnel = std::function<std::optional<Connection>(int socket, const std::string& host)>;

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
// CONNECT is refused (502) unless a tunnel serves the host, so https through it fails elsewhere.
// One request per connection.
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
    // CONNECT to these hosts (any port) is served by open, whose requests go to the handler too.
    void tunnel(std::set<std::string> hosts, Tunnel open);

private:
    void serve();
    void answer(int client, const Connection& connection, bool tls);

    Handler handler_;
    int listener_ = -1;
    std::string origin_;
    mutable std::mutex mutex_;
    std::vector<HttpRequest> requests_;
    std::map<std::string, StreamedResponse> streams_;
    std::set<std::string> tunnel_hosts_;
    Tunnel tunnel_;
    std::vector<std::jthread> workers_; // joined first, while what they use is still there
    std::thread thread_;
};

} // namespace corvane::test
