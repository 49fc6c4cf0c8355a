#include "platform/download_path.h"

#include <climits>
#include <system_error>
#include <unistd.h>

namespace corvane::platform {

namespace {

// A longer "extension" is part of the name: it is cut like the rest.
constexpr std::size_t kLongestKeptExtension = 32;
// Cut names keep room for the first uniqueness mark, so both copies share their stem.
constexpr std::size_t kFirstMarkBytes = std::string_view(" (1)").size();

std::string plain_file_name(const std::string& suggested) {
    std::string name = std::filesystem::path(suggested).filename().string();
    if (name.empty() || name == "." || name == "..") {
        return "download";
    }
    return name;
}

// The first bytes of text, at most limit of them, ending on a UTF-8 character boundary.
std::string cut_at_character(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

} // namespace

std::size_t longest_file_name(const std::filesystem::path& folder) {
    const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
}

std::filesystem::path unique_download_path(const std::filesystem::path& folder,
                                           const std::string& suggested_name,
                                           std::size_t longest_name) {
    const std::filesystem::path name = plain_file_name(suggested_name);
    std::string stem = name.stem().string();
    std::string extension = name.extension().string();
    if (extension.size() > kLongestKeptExtension) {
        stem += extension;
        extension.clear();
    }
    const auto candidate = [&](const std::string& mark) {
        if (stem.size() + mark.size() + extension.size() <= longest_name) {
            return folder / (stem + mark + extension);
        }
        const std::size_t room = longest_name - std::min(longest_name, extension.size());
        const std::string cut =
            cut_at_character(stem, room - std::min(room, std::max(mark.size(), kFirstMarkBytes)));
        return folder / ((cut.empty() ? "download" : cut) + mark + extension);
    };
    std::filesystem::path path = candidate("");
    std::error_code error;
    // A link counts as taken even when it points nowhere: writing would follow it.
    for (int n = 1; std::filesystem::exists(std::filesystem::symlink_status(path, error)); ++n) {
        path = candidate(" (" + std::to_string(n) + ")");
    }
    return path;
}

} // namespace corvane::platform
