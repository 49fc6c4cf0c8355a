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

#include "json/strict_reader.h"
#include <array>
#include <cstddef>
#include <string_view>

namespace corvane::json {

template <typename Record>
struct Field {
    std::string_view key;
    bool (*read)(const Json& value, Record& into);
};

namespace detail {

template <typename Record, typename Value>
Record record_of(Value Record::*);

template <auto Member>
using RecordOf = decltype(record_of(Member));

template <auto Member>
bool read_member(const Json& value, RecordOf<Member>& into) {
    return read_value(value, into.*Member);
}

} // namespace detail

// A row of a field table that reads the member with read_value (strict_reader.h, or an overload
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
bool read_record(const Json& value, const std::array<Field<Record>, N>& fields, Record& into,
                 Missing missing, std::size_t skip = 0) {
    const bool is_array = value.is_array();
    if (!is_array && !value.is_object()) {
        return false;
    }
    if (is_array && (value.size() < skip || value.size() - skip > N)) {
        return false;
    }
    for (std::size_t i = 0; i < N; ++i) {
        const Json* field_value = nullptr;
        if (is_array) {
            field_value = i + skip < value.size() ? &value[i + skip] : nullptr;
        } else if (const auto member = value.find(fields[i].key); member != value.end()) {
            field_value = &*member;
        }
        if (field_value == nullptr ? missing == Missing::reject
                                   : !fields[i].read(*field_value, into)) {
            return false;
        }
    }
    return true;
}

} // namespace corvane::json
