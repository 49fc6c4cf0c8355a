#include "support/web_processes.h"

#include "support/temp_dir.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace corvane::test {

namespace {

struct ProcessRow {
    pid_t pid = 0;
    pid_t parent = 0;
    long resident_kib = 0;
    std::string command; // cut to 15 characters by ps
};

std::vector<ProcessRow> list_processes() {
    std::vector<ProcessRow> rows;
    const std::unique_ptr<FILE, int (*)(FILE*)> ps(popen("/bin/ps -axo pid=,ppid=,rss=,comm=", "r"),
                                                   pclose);
    char line[512];
    while (ps && fgets(line, sizeof line, ps.get()) != nullptr) {
        ProcessRow row;
        if (std::istringstream(line) >> row.pid >> row.parent >> row.resident_kib >> row.command) {
            rows.push_back(row);
        }
    }
    return rows;
}

// This process and the ones below it, following parent links. Bounded, so a parent cycle in a
// list taken while processes come and go never hangs.
std::vector<ProcessRow> this_tree() {
    const std::vector<ProcessRow> rows = list_processes();
    std::vector<ProcessRow> tree;
    for (const ProcessRow& row : rows) {
        pid_t up = row.pid;
        for (int steps = 0; steps < 64 && up > 1 && up != getpid(); ++steps) {
            const auto parent = std::ranges::find(rows, up, &ProcessRow::pid);
            up = parent == rows.end() ? 0 : parent->parent;
        }
        if (up == getpid()) {
            tree.push_back(row);
        }
    }
    return tree;
}

} // namespace

pid_t launch_browser(const std::string& binary, const std::filesystem::path& data,
                     std::vector<std::string> args, const std::filesystem::path& log) {
    // The child's environment is set by env(1), not between fork and exec: this program has
    // threads, and setenv there is not safe.
    args.insert(args.begin(), {"/usr/bin/env", "XDG_DATA_HOME=" + data.string(),
                               "XDG_CACHE_HOME=" + (data / "cache").string(), binary});
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t output;
    posix_spawn_file_actions_init(&output);
    posix_spawn_file_actions_addopen(&output, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&output, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], &output, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&output);
    return pid;
}

std::optional<pid_t> largest_web_process() {
    std::vector<ProcessRow> web = this_tree();
    std::erase_if(web, [](const ProcessRow& row) { return row.command != "WebKitWebProces"; });
    const auto largest = std::ranges::max_element(web, {}, &ProcessRow::resident_kib);
    return largest == web.end() ? std::nullopt : std::optional(largest->pid);
}

std::vector<pid_t> network_processes() {
    std::vector<pid_t> found;
    for (const ProcessRow& row : this_tree()) {
        if (row.command == "WebKitNetworkPr") {
            found.push_back(row.pid);
        }
    }
    return found;
}

long process_tree_resident_kib() {
    long total = 0;
    for (const ProcessRow& row : this_tree()) {
        total += row.resident_kib;
    }
    return total;
}

void wait_for_helper_processes(const std::string& entry, std::chrono::milliseconds timeout) {
    // Entries are separated by NUL bytes; one before and one after makes a whole match.
    const auto has_entry = [whole = '\0' + entry + '\0'](const ProcessRow& row) {
        const std::string environ = read_file("/proc/" + std::to_string(row.pid) + "/environ");
        return row.pid != getpid() && ('\0' + environ + '\0').find(whole) != std::string::npos;
    };
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until &&
           std::ranges::any_of(list_processes(), has_entry)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace corvane::test
