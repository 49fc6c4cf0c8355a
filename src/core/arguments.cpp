#include "core/arguments.h"

#include "address/address_input.h"

#include <string_view>

namespace corvane {

namespace {

constexpr std::string_view devtools_flag = "--devtools";
constexpr std::string_view selftest_prefix = "--devtools-selftest";
constexpr std::string_view selftest_assignment = "--devtools-selftest=";

constexpr std::string_view private_window_flag = "--private-window";

} // namespace

WindowRequest requested_window(const Arguments& args) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == private_window_flag) {
            return WindowRequest::private_window;
        }
    }
    return WindowRequest::none;
}

bool wants_devtools(const Arguments& args) {
    for (const std::string& arg : args) {
        if (arg == devtools_flag || arg.starts_with(selftest_prefix)) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> selftest_value(const Arguments& args) {
    for (const std::string& arg : args) {
        if (arg.starts_with(selftest_assignment)) {
            return arg.substr(selftest_assignment.size());
        }
    }
    return std::nullopt;
}

std::vector<std::string> collect_open_arguments(const Arguments& args) {
    std::vector<std::string> result;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!args[i].starts_with('-')) {
            result.push_back(args[i]);
        }
    }
    return result;
}

std::string open_argument_text(const std::string& argument,
                               const std::filesystem::path& working_directory) {
    // Text with a scheme, or nothing at all, is never a file name here.
    if (argument.empty() || argument.find("://") != std::string::npos) {
        return argument;
    }
    std::error_code error;
    const std::filesystem::path path =
        std::filesystem::absolute(working_directory / argument, error).lexically_normal();
    if (error || !std::filesystem::exists(path, error)) {
        return argument;
    }
    return file_url_for_path(path.string());
}

} // namespace corvane
