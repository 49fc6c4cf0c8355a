// Text that pages, the engine and the environment hand the core: titles, the sleep guard's reply,
// download paths and the session bus address. Whatever the bytes, the results are valid UTF-8
// within their limits, and an address is read without a crash.
#include "core/downloads.h"
#include "core/page_text.h"
#include "core/session_bus.h"
#include "core/sleeping.h"

#include <cstdlib>
#include <unicode/utf8.h>

namespace {

// Characters in text, or -1 when it is not valid UTF-8.
long characters(std::string_view text) {
    long count = 0;
    for (int32_t at = 0, length = static_cast<int32_t>(text.size()); at < length; ++count) {
        UChar32 c = 0;
        U8_NEXT(text.data(), at, length, c);
        if (c < 0) {
            return -1;
        }
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string title = corvane::clean_title(text);
    const long count = characters(title);
    const corvane::event::SleepAnswer answer = corvane::read_sleep_reply(text, 1, 1);
    corvane::names_missing_bus_folder(text);
    if (count < 0 || count > 300 || title.find_first_of("\n\t") != std::string::npos ||
        corvane::clean_title(title) != title || characters(corvane::sanitize_utf8(text)) < 0 ||
        characters(corvane::download_file_name(text)) < 0 || answer.ok != (answer.answer == "ok")) {
        std::abort();
    }
    return 0;
}
