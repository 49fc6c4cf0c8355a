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

// The request head without its blank line; empty when the peer sent no HTTP request in time.
std::string read_head(int client) {
    const timeval patience{2, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return {};
        }
        head.append(buffer, static_cast<std::size_t>(n));
    }
    return head.substr(0, head.find("\r\n\r\n"));
}

HttpRequest parse_head(const std::string& head) {
    // The method, the target and its path, past any scheme and host and before the query.
    static const std::regex first(R"(^(\S+) ((?:[a-z]+://[^/\s]*)?([^?\s]*)\S*))");
    static const std::regex field(R"(\r\n([^:\r\n]+):[ \t]*([^\r\n]*))");
    HttpRequest request;
    if (std::smatch match; std::regex_search(head, match, first)) {
        request = {match[1], match[2], match[3].length() > 0 ? match[3].str() : "/", {}};
    }
    for (std::sregex_iterator it(head.begin(), head.end(), field), end; it != end; ++it) {
        std::string name = (*it)[1];
        std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
        request.headers[name] = (*it)[2];
    }
    return request;
}

void send_all(int client, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = send(client, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
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

void LoopbackServer::serve() {
    // Until the destructor's shutdown makes the wait fail.
    for (int client;
         (client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0 || errno == EINTR;) {
        if (client >= 0) {
            workers_.emplace_back([this, client] {
                answer(client);
                close(client);
            });
        }
    }
}

void LoopbackServer::answer(int client) {
    const std::string head = read_head(client);
    if (head.empty()) {
        return; // not HTTP (a TLS handshake, say): just close
    }
    const HttpRequest request = parse_head(head);
    StreamedResponse streamed;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (auto found = streams_.find(request.path); found != streams_.end()) {
            streamed = found->second;
        }
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
    send_all(client, out + "\r\n" + streamed.head.body);
    if (streamed.write) {
        streamed.write([client](std::string_view piece) { send_all(client, piece); });
    }
}

} // namespace corvane::test
