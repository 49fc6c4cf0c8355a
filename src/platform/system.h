#pragma once

// Services of the operating system that are not windows or web views.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane::platform {

class System {
public:
    virtual ~System() = default;

    // Hands a URL (mailto:, tel:, a file URI, ...) to its default application; false when none
    // could be started. Never waits for the application.
    virtual bool open_uri(const std::string& uri) = 0;
    // Shows a file in the file manager (selected where the file manager supports it).
    virtual void reveal_file(const std::string& path) = 0;
    // Best effort: false when the file system refuses.
    virtual bool set_extended_attribute(const std::string& path, const std::string& name,
                                        const std::string& value) = 0;
    // Runs a program to its end and returns its standard output (standard error is discarded,
    // the exit status ignored); none when it cannot be started.
    virtual std::optional<std::string> run_and_capture(const std::vector<std::string>& argv) = 0;
    virtual std::uint32_t process_id() const = 0;
    // True on the thread that runs the main loop.
    virtual bool on_main_thread() const = 0;
};

} // namespace corvane::platform
