#include "platform/gtk/network_process_watch.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <glib-unix.h>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace corvane::platform::gtk {

namespace {

// The name WebKit's network process runs under, as the kernel cuts it (15 bytes).
constexpr std::string_view kNetworkProcess = "WebKitNetworkPr";

// The children of this process that run the network process. /proc/<pid>/stat reads
// "pid (comm) state ppid ..."; comm may hold spaces and parentheses, so it ends at the last ")".
std::vector<pid_t> network_processes() {
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::ranges::all_of(name, ::isdigit)) {
            continue;
        }
        std::ifstream file(entry.path() / "stat");
        std::string stat;
        std::getline(file, stat);
        const std::size_t open = stat.find('(');
        const std::size_t close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close < open) {
            continue;
        }
        char state = 0;
        long parent = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &parent) == 2 &&
            parent == getpid() && stat.substr(open + 1, close - open - 1) == kNetworkProcess) {
            found.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return found;
}

} // namespace

NetworkProcessWatch::NetworkProcessWatch(std::function<void()> ended) : ended_(std::move(ended)) {}

NetworkProcessWatch::~NetworkProcessWatch() {
    for (Watched& watched : watched_) {
        forget(watched);
    }
}

void NetworkProcessWatch::refresh() {
    for (const pid_t pid : network_processes()) {
        if (std::ranges::any_of(watched_, [pid](const Watched& w) { return w.pid == pid; })) {
            continue;
        }
        const int fd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
        if (fd < 0) {
            continue;
        }
        // A pidfd becomes readable when its process ends.
        watched_.push_back({pid, fd, g_unix_fd_add(fd, G_IO_IN, handle_exit, this)});
    }
}

gboolean NetworkProcessWatch::handle_exit(gint fd, GIOCondition, gpointer self) {
    auto* watch = static_cast<NetworkProcessWatch*>(self);
    const auto ended = std::ranges::find(watch->watched_, fd, &Watched::fd);
    if (ended != watch->watched_.end()) {
        // The source goes with the G_SOURCE_REMOVE below.
        ended->source = 0;
        watch->forget(*ended);
        watch->watched_.erase(ended);
    }
    watch->ended_();
    return G_SOURCE_REMOVE;
}

void NetworkProcessWatch::forget(Watched& watched) {
    if (watched.source != 0) {
        g_source_remove(watched.source);
    }
    close(watched.fd);
}

} // namespace corvane::platform::gtk
