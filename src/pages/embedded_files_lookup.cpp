#include "pages/embedded_files.h"

#include <algorithm>

namespace corvane {

std::optional<std::string_view> embedded_file(std::string_view path) {
    const auto files = embedded_files();
    const auto found = std::lower_bound(
        files.begin(), files.end(), path,
        [](const EmbeddedFile& file, std::string_view wanted) { return file.path < wanted; });
    if (found == files.end() || found->path != path) {
        return std::nullopt;
    }
    return found->bytes;
}

} // namespace corvane
