#include "json/compact_writer.h"

namespace corvane::json {

namespace {

constexpr auto kInvalidUtf8 = nlohmann::json::error_handler_t::replace;

// Length of the well-formed UTF-8 sequence starting at text[at] (RFC 3629: no overlong forms,
// no surrogates, nothing above U+10FFFF), or 0.
std::size_t utf8_sequence_length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(text[at + i]);
    };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() - at < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

// Appends text as a JSON string with the escapes of nlohmann's dump(), which builds a whole
// serializer per call and is too slow for thousands of record fields. Returns false, having
// appended nothing, when text is not valid UTF-8.
bool append_escaped_utf8(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::size_t start = out.size();
    out += '"';
    std::size_t run = 0; // start of the bytes that are copied as they are
    for (std::size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        if (c >= 0x80) {
            const std::size_t length = utf8_sequence_length(text, at);
            if (length == 0) {
                out.resize(start);
                return false;
            }
            at += length;
            continue;
        }
        if (c >= 0x20 && c != '"' && c != '\\') {
            ++at;
            continue;
        }
        out.append(text.substr(run, at - run));
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
        run = ++at;
    }
    out.append(text.substr(run));
    out += '"';
    return true;
}

} // namespace

std::string write_compact(const nlohmann::json& value) {
    return value.dump(-1, ' ', /*ensure_ascii=*/false, kInvalidUtf8);
}

void RecordWriter::begin_element() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!container_has_element_.empty()) {
        if (container_has_element_.back()) {
            out_ += ',';
        }
        container_has_element_.back() = true;
    }
}

void RecordWriter::open(char bracket) {
    begin_element();
    out_ += bracket;
    container_has_element_.push_back(false);
}

void RecordWriter::close(char bracket) {
    out_ += bracket;
    container_has_element_.pop_back();
}

RecordWriter& RecordWriter::begin_object() {
    open('{');
    return *this;
}

RecordWriter& RecordWriter::end_object() {
    close('}');
    return *this;
}

RecordWriter& RecordWriter::begin_array() {
    open('[');
    return *this;
}

RecordWriter& RecordWriter::end_array() {
    close(']');
    return *this;
}

RecordWriter& RecordWriter::key(std::string_view name) {
    string(name);
    out_ += ':';
    after_key_ = true;
    return *this;
}

RecordWriter& RecordWriter::string(std::string_view text) {
    begin_element();
    if (!append_escaped_utf8(out_, text)) {
        out_ += write_compact(nlohmann::json(std::string(text)));
    }
    return *this;
}

RecordWriter& RecordWriter::boolean(bool flag) {
    begin_element();
    out_ += flag ? "true" : "false";
    return *this;
}

RecordWriter& RecordWriter::number(std::uint64_t number) {
    begin_element();
    out_ += std::to_string(number);
    return *this;
}

RecordWriter& RecordWriter::null() {
    begin_element();
    out_ += "null";
    return *this;
}

} // namespace corvane::json
