#include "support/loopback_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <netinet/in.h>
#include <regex>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace corvane::test {

namespace {

void send_all(int client, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = send(client, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

Connection plain(int client) {
    const timeval patience{2, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    return {[client](char* buffer, std::size_t size) { return recv(client, buffer, size, 0); },
            [client](std::string_view data) {
                send_all(client, data);
            }};
}

// The request head without its blank line, then what came after it; an empty head when the peer
// sent no HTTP request in time.
std::pair<std::string, std::string> read_head(const Connection& connection) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const std::ptrdiff_t n = connection.read(buffer, sizeof buffer);
        if (n <= 0) {
            return {};
        }
        head.append(buffer, static_cast<std::size_t>(n));
    }
    const std::size_t end = head.find("\r\n\r\n");
    return {head.substr(0, end), head.substr(end + 4)};
}

// The body the head announces, of which `start` has come already.
std::string read_body(const Connection& connection, const HttpRequest& request, std::string start) {
    const auto length = request.headers.find("content-length");
    const std::size_t wanted = length != request.headers.end() ? std::stoul(length->second) : 0;
    char buffer[4096];
    while (start.size() < wanted) {
        const std::ptrdiff_t n = connection.read(buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        start.append(buffer, static_cast<std::size_t>(n));
    }
    return start;
}

HttpRequest parse_head(const std::string& head) {
    // The method, the target and its path, past any scheme and host and before the query.
    static const std::regex first(R"(^(\S+) ((?:[a-z]+://[^/\s]*)?([^?\s]*)\S*))");
    static const std::regex field(R"(\r\n([^:\r\n]+):[ \t]*([^\r\n]*))");
    HttpRequest request;
    if (std::smatch match; std::regex_search(head, match, first)) {
        request = {match[1], match[2], match[3].length() > 0 ? match[3].str() : "/", {}, {}};
    }
    for (std::sregex_iterator it(head.begin(), head.end(), field), end; it != end; ++it) {
        std::string name = (*it)[1];
        std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
        request.headers[name] = (*it)[2];
    }
    return request;
}

} // namespace

HttpResponse html_page(std::string body) {
    return HttpResponse{200, "text/html; charset=utf-8", "<!doctype html>" + std::move(body), {}};
}

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof where;
    auto* address = reinterpret_cast<sockaddr*>(&where);
    if (listener_ < 0 || bind(listener_, address, length) != 0 || listen(listener_, 64) != 0 ||
        getsockname(listener_, address, &length) != 0) {
        throw std::runtime_error("loopback server: cannot listen");
    }
    origin_ = "http://127.0.0.1:" + std::to_string(ntohs(where.sin_port));
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
}

std::vector<HttpRequest> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t LoopbackServer::count(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::ranges::count(requests_, path, &HttpRequest::path));
}

void LoopbackServer::stream(const std::string& path, StreamedResponse response) {
    std::lock_guard lock(mutex_);
    streams_[path] = std::move(response);
}

void LoopbackServer::tunnel(std::set<std::string> hosts, Tunnel open) {
    std::lock_guard lock(mutex_);
    tunnel_hosts_ = std::move(hosts);
    tunnel_ = std::move(open);
}

void LoopbackServer::serve() {
    // Until the destructor's shutdown makes the wait fail.
    for (int client;
         (client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0 || errno == EINTR;) {
        if (client >= 0) {
            workers_.emplace_back([this, client] {
                answer(client, plain(client), false);
                close(client);
            });
        }
    }
}

void LoopbackServer::answer(int client, const Connection& connection, bool tls) {
    auto [head, rest] = read_head(connection);
    if (head.empty()) {
        return; // not HTTP (a TLS handshake, say): just close
    }
    HttpRequest request = parse_head(head);
    request.body = read_body(connection, request, std::move(rest));
    request.tls = tls;
    StreamedResponse streamed;
    Tunnel open;
    const std::string host = request.target.substr(0, request.target.find(':'));
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (auto found = streams_.find(request.path); found != streams_.end()) {
            streamed = found->second;
        }
        if (request.method == "CONNECT" && tunnel_hosts_.contains(host)) {
            open = tunnel_;
        }
    }
    if (open) {
        connection.write("HTTP/1.1 200 -\r\n\r\n");
        if (std::optional<Connection> inner = open(client, host)) {
            answer(client, *inner, true);
        }
        return;
    }
    if (!streamed.write) {
        streamed.head = request.method == "CONNECT"
                            ? HttpResponse{502, "text/plain", "no tunnels here", {}}
                            : handler_(request);
        streamed.length = streamed.head.body.size();
    }
    // Clients ignore the reason phrase.
    std::string out = "HTTP/1.1 " + std::to_string(streamed.head.status) +
                      " -\r\nContent-Type: " + streamed.head.content_type +
                      "\r\nContent-Length: " + std::to_string(streamed.length) +
                      "\r\nConnection: close\r\n";
    for (const auto& [name, value] : streamed.head.headers) {
        out += name + ": " + value + "\r\n";
    }
    connection.write(out + "\r\n" + streamed.head.body);
    if (streamed.write) {
        streamed.write(connection.write);
    }
}

} // namespace corvane::test
