#pragma once

// Percent-encoding as URLs use it: the encode sets, encoding and decoding of byte strings, and
// the application/x-www-form-urlencoded byte serializer.

#include <string>
#include <string_view>

namespace corvane {

// Each set names the ASCII bytes that get encoded; bytes from 0x80 up are encoded in every set.
enum class EncodeSet {
    C0Control,
    Fragment,
    Query,
    SpecialQuery,
    Path,
    Userinfo,
    Component,
};

bool in_encode_set(unsigned char byte, EncodeSet set);

// Appends `bytes` to `out`, every byte of `set` written as "%XX" with upper-case hex digits.
void percent_encode_into(std::string& out, std::string_view bytes, EncodeSet set);
std::string percent_encode(std::string_view bytes, EncodeSet set);

// Replaces each "%" followed by two hex digits with the byte they name; other bytes stay.
std::string percent_decode(std::string_view text);

// The form-urlencoded byte serializer: A-Z a-z 0-9 * - . _ stay, space becomes "+", every other
// byte becomes "%XX".
std::string form_urlencoded_byte_serialize(std::string_view bytes);

} // namespace corvane
