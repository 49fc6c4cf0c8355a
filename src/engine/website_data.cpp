#include "engine/website_data.h"

#include "url/utf8.h"

#include <charconv>
#include <sstream>
#include <unordered_map>
#include <vector>

namespace corvane {

namespace {

struct ProcessRow {
    std::uint32_t pid = 0;
    std::uint32_t ppid = 0;
    std::uint64_t rss_kib = 0;
    std::string command;
};

// Digits with an optional leading "+"; anything else counts as 0.
template <typename Number>
Number parse_count(std::string_view field) {
    if (field.starts_with('+')) {
        field.remove_prefix(1);
    }
    Number value = 0;
    auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size() || field.empty()) {
        return 0;
    }
    return value;
}

std::vector<ProcessRow> parse_listing(std::string_view listing) {
    std::vector<ProcessRow> rows;
    std::istringstream lines{std::string(listing)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string pid;
        std::string ppid;
        std::string rss;
        if (!(fields >> pid >> ppid >> rss)) {
            continue;
        }
        ProcessRow row{parse_count<std::uint32_t>(pid),
                       parse_count<std::uint32_t>(ppid),
                       parse_count<std::uint64_t>(rss),
                       {}};
        for (std::string word; fields >> word;) {
            row.command += row.command.empty() ? word : " " + word;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// WebKit's helper processes; ps cuts command names to 15 characters.
bool is_webkit_process(std::string_view command) {
    return command.find("WebKit") != std::string_view::npos;
}

// Whether own is among the ancestors of pid. The sandbox puts bubblewrap between the browser
// and its web processes, so the parent alone is not enough.
bool descends_from(const std::unordered_map<std::uint32_t, std::uint32_t>& parents,
                   std::uint32_t pid, std::uint32_t own) {
    for (std::size_t steps = 0; steps < parents.size(); ++steps) {
        auto found = parents.find(pid);
        if (found == parents.end() || found->second == 0 || found->second == pid) {
            return false;
        }
        pid = found->second;
        if (pid == own) {
            return true;
        }
    }
    return false;
}

} // namespace

void clear_website_data(const EngineConfig& config) {
    require_main_thread(config.platform->system());
    if (config.default_store) {
        config.default_store->clear_website_data();
    }
}

std::uint64_t memory_bytes_from_listing(std::string_view listing, std::uint32_t own_pid) {
    std::string text = utf8_with_replacements(listing);
    std::vector<ProcessRow> rows = parse_listing(text);
    std::unordered_map<std::uint32_t, std::uint32_t> parents;
    for (const ProcessRow& row : rows) {
        parents.emplace(row.pid, row.ppid);
    }
    std::uint64_t total_kib = 0;
    for (const ProcessRow& row : rows) {
        if (row.pid == own_pid) {
            total_kib += row.rss_kib;
        } else if (is_webkit_process(row.command) && descends_from(parents, row.pid, own_pid)) {
            total_kib += row.rss_kib;
        }
    }
    return total_kib * 1024;
}

std::uint64_t webkit_memory_bytes(platform::System& system) {
    std::optional<std::string> listing =
        system.run_and_capture({"/bin/ps", "-axo", "pid=,ppid=,rss=,comm="});
    if (!listing) {
        return 0;
    }
    return memory_bytes_from_listing(*listing, system.process_id());
}

} // namespace corvane
