// The CPU an idle browser burns once its background tabs have gone to sleep. Each launch starts
// the real binary on a fresh data folder with {"max_awake_tabs":1} and 20 loopback pages as
// arguments, waits 35 s, then sums the CPU time its process tree (the browser and WebKit's
// helpers below it) uses over the next 15 s. A tab left with a spinner after it slept keeps the
// chrome page painting and shows here as seconds of CPU. Run it from the source folder, on a
// display of its own (about 50 s a launch):
//
//   scripts/with-display -- build/bench/core/idle_cpu_bench [N]
//
// N launches (10 unless given) of CORVANE_BINARY, build/src/corvane unless set; it prints each
// launch's figure and exits 1 when any reaches 0.4 s.
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "support/web_processes.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace corvane::test;
using namespace std::chrono_literals;

constexpr int kPages = 20;
constexpr auto kSettle = 35s;
constexpr auto kWindow = 15s;
constexpr double kLimitSeconds = 0.4;

struct ProcessStat {
    pid_t parent = 0;
    unsigned long long ticks = 0; // user and system time
};

// Every process's parent and CPU ticks, from /proc/PID/stat.
std::map<pid_t, ProcessStat> read_processes() {
    std::map<pid_t, ProcessStat> processes;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream in(entry.path() / "stat");
        std::string line;
        if (!std::getline(in, line)) {
            continue;
        }
        // The command name is in parentheses and may hold spaces: the fields follow the last ')'.
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string skip;
        ProcessStat stat;
        unsigned long long user = 0;
        unsigned long long system = 0;
        fields >> skip >> stat.parent;
        for (int field = 5; field < 14; ++field) {
            fields >> skip;
        }
        if (fields >> user >> system) {
            stat.ticks = user + system;
            processes[std::stoi(name)] = stat;
        }
    }
    return processes;
}

// CPU ticks of root and every process below it, by process.
std::map<pid_t, unsigned long long> tree_ticks(pid_t root) {
    const std::map<pid_t, ProcessStat> all = read_processes();
    std::map<pid_t, unsigned long long> tree;
    for (const auto& [pid, stat] : all) {
        pid_t up = pid;
        for (int steps = 0; steps < 64 && up > 1; ++steps) {
            if (up == root) {
                tree[pid] = stat.ticks;
                break;
            }
            const auto row = all.find(up);
            up = row == all.end() ? 0 : row->second.parent;
        }
    }
    return tree;
}

// Seconds of CPU the launch's process tree used in the measured window; negative when the
// browser ended early.
double measure_launch(const LoopbackServer& server, const TempDir& home, int launch_number) {
    const std::filesystem::path data = home / ("data-" + std::to_string(launch_number));
    write_file(data / "com.halbrin.corvane" / "settings.json", R"({"max_awake_tabs":1})");
    std::vector<std::string> urls;
    for (int page = 1; page <= kPages; ++page) {
        urls.push_back(server.origin() + "/page-" + std::to_string(page));
    }
    const char* binary = std::getenv("CORVANE_BINARY");
    const pid_t browser = launch_browser(binary != nullptr ? binary : "build/src/corvane", data,
                                         urls, home / "corvane.log");
    std::this_thread::sleep_for(kSettle);
    const std::map<pid_t, unsigned long long> before = tree_ticks(browser);
    std::this_thread::sleep_for(kWindow);
    const std::map<pid_t, unsigned long long> after = tree_ticks(browser);
    const bool alive = waitpid(browser, nullptr, WNOHANG) == 0;

    unsigned long long used = 0;
    for (const auto& [pid, ticks] : after) {
        const auto earlier = before.find(pid);
        used += ticks - (earlier == before.end() ? 0 : earlier->second);
    }
    kill(browser, SIGTERM);
    waitpid(browser, nullptr, 0);
    wait_for_helper_processes("XDG_DATA_HOME=" + data.string());
    return alive ? static_cast<double>(used) / static_cast<double>(sysconf(_SC_CLK_TCK)) : -1.0;
}

HttpResponse serve(const HttpRequest& request) {
    HttpResponse response = html_page("<title>Idle " + request.path + "</title><p>An idle page.");
    response.headers.emplace_back("Cache-Control", "no-store");
    return response;
}

} // namespace

int main(int argc, char** argv) {
    const int launches = argc > 1 ? std::atoi(argv[1]) : 10;
    LoopbackServer server(serve);
    TempDir home;
    bool within = true;
    for (int n = 1; n <= launches; ++n) {
        const double seconds = measure_launch(server, home, n);
        const bool ok = seconds >= 0 && seconds < kLimitSeconds;
        within = within && ok;
        std::printf("launch %d: %.2f s CPU over %lld s%s\n", n, seconds,
                    static_cast<long long>(kWindow.count()),
                    seconds < 0 ? " (browser ended early)"
                    : ok        ? ""
                                : " (over the limit)");
        std::fflush(stdout);
    }
    return within ? 0 : 1;
}
