#pragma once

// Reading records that may come as an object of named members or as an array of their field
// values in declaration order. The field table is data: one row per field, in declaration order.
//
//   constexpr std::array kEntryFields{
//       json::field<&Entry::url>("url"),
//       json::field<&Entry::visits>("visits"),
//   };
//   Entry entry;
//   bool ok = json::read_record(value, kEntryFields, entry, json::Missing::reject);
//
// Object form: members are looked up by key; other members are ignored (duplicate keys were
// already refused by parse_strict). Array form: element i (after `skip` leading elements, such as
// a message tag) is field i; more elements than fields refuse the record.
//
// Records are read from a Node of a parsed Document (document.h) or from a Json value.

#include "json/document.h"
#include <array>
#include <cstddef>
#include <string_view>

namespace corvane::json {

template <typename Record>
struct Field {
    std::string_view key;
    bool (*read)(Node value, Record& into);
};

namespace detail {

template <typename Record, typename Value>
Record record_of(Value Record::*);

template <auto Member>
using RecordOf = decltype(record_of(Member));

template <auto Member>
bool read_member(Node value, RecordOf<Member>& into) {
    return read_value(value, into.*Member);
}

template <typename Record, std::size_t N>
bool read_array_record(Node value, const std::array<Field<Record>, N>& fields, Record& into,
                       bool all_required, std::size_t skip) {
    const std::size_t size = value.size();
    if (size < skip || size - skip > N || (all_required && size - skip < N)) {
        return false;
    }
    if constexpr (N == 0) {
        return true; // nothing but the leading elements, already counted
    } else {
        std::size_t at = 0;
        return value.every_element([&](Node element) {
            const std::size_t i = at++;
            return i < skip || fields[i - skip].read(element, into);
        });
    }
}

} // namespace detail

// A row of a field table that reads the member with read_value (document.h, or an overload
// for the member's type found beside that type).
template <auto Member>
constexpr Field<detail::RecordOf<Member>> field(std::string_view key) {
    return {key, &detail::read_member<Member>};
}

// What an absent field (a key missing from the object, an array too short) does.
enum class Missing {
    reject,       // the record is refused
    keep_default, // the field keeps the value it had in `into`
};

// Reads one record into `into` by its field table. On refusal `into` may be partly filled; the
// caller drops it.
template <typename Record, std::size_t N>
bool read_record(Node value, const std::array<Field<Record>, N>& fields, Record& into,
                 Missing missing, std::size_t skip = 0) {
    if (value.is_array()) {
        return detail::read_array_record(value, fields, into, missing == Missing::reject, skip);
    }
    if (!value.is_object()) {
        return false;
    }
    for (const Field<Record>& field : fields) {
        const std::optional<Node> member = value.member(field.key);
        if (member ? !field.read(*member, into) : missing == Missing::reject) {
            return false;
        }
    }
    return true;
}

template <typename Record, std::size_t N>
bool read_record(const Json& value, const std::array<Field<Record>, N>& fields, Record& into,
                 Missing missing, std::size_t skip = 0) {
    return read_record(Node(value), fields, into, missing, skip);
}

} // namespace corvane::json
