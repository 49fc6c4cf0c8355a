#include "helper_processes.h"

#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <thread>
#include <unistd.h>

namespace corvane::test {

bool any_other_process_has_environment(const std::string& entry) {
    const std::string own = std::to_string(getpid());
    std::error_code ignored;
    for (const auto& process : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string name = process.path().filename().string();
        if (name == own || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        // Entries are separated by NUL bytes; one before and one after makes a whole match.
        const std::string environ = '\0' + read_file(process.path() / "environ") + '\0';
        if (environ.find('\0' + entry + '\0') != std::string::npos) {
            return true;
        }
    }
    return false;
}

void wait_for_helper_processes(const std::string& entry, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until && any_other_process_has_environment(entry)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace corvane::test
