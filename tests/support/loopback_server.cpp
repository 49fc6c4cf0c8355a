#include "support/loopback_server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace corvane::test {

namespace {

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 502:
        return "Bad Gateway";
    default:
        return "Status";
    }
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string strip_port(const std::string& host) {
    std::size_t colon = host.rfind(':');
    return colon == std::string::npos ? host : host.substr(0, colon);
}

// Reads up to the end of the request head; false when the peer sent no HTTP request in time.
bool read_head(int client, std::string& head) {
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        pollfd fd{client, POLLIN, 0};
        if (poll(&fd, 1, 2000) <= 0) {
            return false;
        }
        ssize_t n = recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return false;
        }
        head.append(buffer, static_cast<std::size_t>(n));
    }
    return head.find("\r\n\r\n") != std::string::npos;
}

HttpRequest parse_head(const std::string& head) {
    HttpRequest request;
    std::istringstream lines(head);
    std::string line;
    std::getline(lines, line);
    std::istringstream first(line);
    first >> request.method >> request.target;
    while (std::getline(lines, line) && line != "\r") {
        std::size_t colon = line.find(':');
        if (colon == std::string::npos) {
            continue;
        }
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        if (!value.empty() && value.back() == '\r') {
            value.pop_back();
        }
        request.headers[lower(line.substr(0, colon))] = value;
    }
    std::string rest = request.target;
    if (std::size_t scheme = rest.find("://"); scheme != std::string::npos) {
        rest = rest.substr(scheme + 3);
        std::size_t slash = rest.find('/');
        request.host = strip_port(rest.substr(0, slash));
        rest = slash == std::string::npos ? "/" : rest.substr(slash);
    } else {
        request.host = strip_port(request.headers["host"]);
    }
    request.path = rest.substr(0, rest.find('?'));
    return request;
}

void send_all(int client, std::string_view data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = send(client, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<std::size_t>(n);
    }
}

} // namespace

HttpResponse html_page(std::string body) {
    return HttpResponse{200, "text/html; charset=utf-8", "<!doctype html>" + std::move(body), {}};
}

LoopbackServer::LoopbackServer(Handler handler, const std::string& address)
    : handler_(std::move(handler)), address_(address) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = 0;
    if (listener_ < 0 || inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1 ||
        bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
        listen(listener_, 64) != 0) {
        throw std::runtime_error("loopback server: cannot listen on " + address);
    }
    socklen_t length = sizeof where;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&where), &length);
    port_ = ntohs(where.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
}

std::string LoopbackServer::origin() const {
    return "http://" + address_ + ":" + std::to_string(port_);
}

std::vector<HttpRequest> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t LoopbackServer::count(const std::string& path) const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(std::count_if(
        requests_.begin(), requests_.end(), [&](const HttpRequest& r) { return r.path == path; }));
}

void LoopbackServer::stream(const std::string& path, StreamedResponse response) {
    std::lock_guard lock(mutex_);
    streams_[path] = std::move(response);
}

void LoopbackServer::serve() {
    while (!stopping_) {
        pollfd fd{listener_, POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0) {
            continue;
        }
        int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        // A connection per thread: WebKit opens speculative connections that send nothing.
        std::lock_guard lock(mutex_);
        workers_.emplace_back([this, client] {
            answer(client);
            close(client);
        });
    }
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
}

void LoopbackServer::answer(int client) {
    std::string head;
    if (!read_head(client, head)) {
        return; // not HTTP (a TLS handshake, say): just close
    }
    HttpRequest request = parse_head(head);
    StreamedResponse streamed;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        if (auto found = streams_.find(request.path); found != streams_.end()) {
            streamed = found->second;
        }
    }
    HttpResponse response = streamed.write ? streamed.head
                            : request.method == "CONNECT"
                                ? HttpResponse{502, "text/plain", "no tunnels here", {}}
                                : handler_(request);
    const std::size_t length = streamed.write ? streamed.length : response.body.size();
    std::ostringstream out;
    out << "HTTP/1.1 " << response.status << ' ' << reason(response.status) << "\r\n"
        << "Content-Type: " << response.content_type << "\r\n"
        << "Content-Length: " << length << "\r\n"
        << "Connection: close\r\n";
    for (const auto& [name, value] : response.headers) {
        out << name << ": " << value << "\r\n";
    }
    out << "\r\n" << response.body;
    send_all(client, out.str());
    if (streamed.write) {
        streamed.write([client](std::string_view piece) { send_all(client, piece); });
    }
}

} // namespace corvane::test
