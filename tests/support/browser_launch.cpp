#include "support/browser_launch.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace corvane::test {

pid_t launch_browser(const std::string& binary, const std::filesystem::path& data,
                     const std::vector<std::string>& urls, const std::filesystem::path& log) {
    std::vector<std::string> args{binary};
    args.insert(args.end(), urls.begin(), urls.end());
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        setenv("XDG_CACHE_HOME", (data / "cache").c_str(), 1);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

} // namespace corvane::test
