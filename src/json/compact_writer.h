#pragma once

// Compact JSON text: no space, indentation or line break anywhere. Strings escape only the
// quotation mark, the backslash and the characters below U+0020 (\b \t \n \f \r, the others as
// \u00xx in lower-case hex); the solidus, U+007F and all non-ASCII text are written as UTF-8.
// A string holding invalid UTF-8 has each bad byte written as U+FFFD, so the text always reads
// back. Objects of Json come out in ascending byte order of their keys.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::json {

std::string write_compact(const nlohmann::json& value);

// Writes compact text in the order of the calls, for records whose members keep their
// declaration order (the store files), without building a value first:
//
//   RecordWriter out;
//   out.begin_object().key("url").string(url).key("visits").number(visits).end_object();
//   std::string text = out.take();
//
// The caller keeps the calls balanced; commas are placed here. Strings are written byte for
// byte as write_compact writes them.
class RecordWriter {
public:
    RecordWriter() = default;
    // Goes on writing after text that is already there.
    explicit RecordWriter(std::string start) : out_(std::move(start)) {}

    RecordWriter& begin_object();
    RecordWriter& end_object();
    RecordWriter& begin_array();
    RecordWriter& end_array();
    RecordWriter& key(std::string_view name);
    RecordWriter& string(std::string_view text);
    RecordWriter& boolean(bool flag);
    RecordWriter& number(std::uint64_t number);
    RecordWriter& null();

    void reserve(std::size_t bytes) { out_.reserve(bytes); }
    std::string take() { return std::move(out_); }

private:
    // Places the comma before every element of a container but the first.
    void begin_element();
    void open(char bracket);
    void close(char bracket);

    std::string out_;
    std::vector<bool> container_has_element_;
    bool after_key_ = false;
};

} // namespace corvane::json
