#include "support/web_processes.h"

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>

namespace corvane::test {

namespace {

struct ProcessRow {
    pid_t parent = 0;
    long resident = 0;
    std::string command;
};

std::map<pid_t, ProcessRow> list_processes() {
    std::map<pid_t, ProcessRow> rows;
    FILE* ps = popen("/bin/ps -axo pid=,ppid=,rss=,comm=", "r");
    char line[512];
    while (ps != nullptr && fgets(line, sizeof line, ps) != nullptr) {
        std::istringstream fields(line);
        pid_t pid = 0;
        ProcessRow row;
        if (fields >> pid >> row.parent >> row.resident >> row.command) {
            rows[pid] = std::move(row);
        }
    }
    if (ps != nullptr) {
        pclose(ps);
    }
    return rows;
}

// Bounded, so a parent cycle in a list taken while processes come and go never hangs.
bool runs_below(const std::map<pid_t, ProcessRow>& rows, pid_t pid, pid_t ancestor) {
    pid_t up = pid;
    for (int steps = 0; steps < 64; ++steps) {
        const auto row = rows.find(up);
        if (row == rows.end() || row->second.parent <= 1) {
            return false;
        }
        up = row->second.parent;
        if (up == ancestor) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<pid_t> largest_web_process() {
    const std::map<pid_t, ProcessRow> rows = list_processes();
    std::optional<pid_t> largest;
    long largest_resident = 0;
    for (const auto& [pid, row] : rows) {
        // ps cuts command names to 15 characters.
        if (row.command == "WebKitWebProces" && row.resident > largest_resident &&
            runs_below(rows, pid, getpid())) {
            largest = pid;
            largest_resident = row.resident;
        }
    }
    return largest;
}

long process_tree_resident_kib() {
    const std::map<pid_t, ProcessRow> rows = list_processes();
    long total = 0;
    for (const auto& [pid, row] : rows) {
        if (pid == getpid() || runs_below(rows, pid, getpid())) {
            total += row.resident;
        }
    }
    return total;
}

} // namespace corvane::test
