// Text that pages and the engine hand the core: titles, the sleep guard's reply and download
// paths. Whatever the bytes, the results are valid UTF-8 within their limits.
#include "core/downloads.h"
#include "core/page_text.h"
#include "core/sleeping.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unicode/utf8.h>

namespace {

// Characters in text, or -1 when it is not valid UTF-8.
long characters(std::string_view text) {
    long count = 0;
    int32_t offset = 0;
    const auto length = static_cast<int32_t>(text.size());
    while (offset < length) {
        UChar32 c = 0;
        U8_NEXT(text.data(), offset, length, c);
        if (c < 0) {
            return -1;
        }
        ++count;
    }
    return count;
}

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::string title = corvane::clean_title(text);
    const long count = characters(title);
    require(count >= 0 && count <= 300);
    require(title.find('\n') == std::string::npos && title.find('\t') == std::string::npos);
    require(corvane::clean_title(title) == title);

    require(characters(corvane::sanitize_utf8(text)) >= 0);
    require(characters(corvane::download_file_name(text)) >= 0);

    const corvane::event::SleepAnswer answer = corvane::read_sleep_reply(text, 1, 1);
    require(answer.ok == (answer.answer == "ok"));
    return 0;
}
