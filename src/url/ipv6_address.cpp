#include "url/ascii.h"
#include "url/ip_address.h"

#include <cstdio>
#include <optional>

namespace corvane {
namespace {

class Ipv6Parser {
public:
    explicit Ipv6Parser(std::string_view text) : text_(text) {}

    std::optional<Ipv6Address> parse() {
        if (peek() == ':') {
            if (peek(1) != ':') {
                return std::nullopt;
            }
            pos_ += 2;
            compress_ = ++piece_;
        }
        while (!at_end()) {
            if (piece_ == 8) {
                return std::nullopt;
            }
            if (peek() == ':') {
                if (compress_) {
                    return std::nullopt;
                }
                ++pos_;
                compress_ = ++piece_;
                continue;
            }
            auto step = parse_piece();
            if (step == Step::Fail) {
                return std::nullopt;
            }
            if (step == Step::Done) {
                break;
            }
        }
        return finish();
    }

private:
    enum class Step { Next, Done, Fail };

    char peek(std::size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    bool at_end() const { return pos_ >= text_.size(); }

    Step parse_piece() {
        unsigned value = 0;
        std::size_t length = 0;
        while (length < 4 && !at_end() && ascii::hex_value(peek()) >= 0) {
            value = value * 16 + static_cast<unsigned>(ascii::hex_value(peek()));
            ++pos_;
            ++length;
        }
        if (!at_end() && peek() == '.') {
            if (length == 0) {
                return Step::Fail;
            }
            pos_ -= length;
            return parse_ipv4_tail() ? Step::Done : Step::Fail;
        }
        if (!at_end() && peek() == ':') {
            ++pos_;
            if (at_end()) {
                return Step::Fail;
            }
        } else if (!at_end()) {
            return Step::Fail;
        }
        address_[piece_++] = static_cast<std::uint16_t>(value);
        return Step::Next;
    }

    bool parse_ipv4_tail() {
        if (piece_ > 6) {
            return false;
        }
        int numbers_seen = 0;
        while (!at_end()) {
            if (numbers_seen > 0) {
                if (peek() != '.' || numbers_seen >= 4) {
                    return false;
                }
                ++pos_;
            }
            std::optional<unsigned> part = parse_decimal_part();
            if (!part) {
                return false;
            }
            address_[piece_] = static_cast<std::uint16_t>(address_[piece_] * 0x100 + *part);
            ++numbers_seen;
            if (numbers_seen == 2 || numbers_seen == 4) {
                ++piece_;
            }
        }
        return numbers_seen == 4;
    }

    // One decimal number 0-255 without a leading zero.
    std::optional<unsigned> parse_decimal_part() {
        if (at_end() || !ascii::is_digit(peek())) {
            return std::nullopt;
        }
        std::optional<unsigned> value;
        while (!at_end() && ascii::is_digit(peek())) {
            auto digit = static_cast<unsigned>(peek() - '0');
            if (!value) {
                value = digit;
            } else if (*value == 0) {
                return std::nullopt;
            } else {
                *value = *value * 10 + digit;
            }
            if (*value > 255) {
                return std::nullopt;
            }
            ++pos_;
        }
        return value;
    }

    std::optional<Ipv6Address> finish() {
        if (compress_) {
            std::size_t swaps = piece_ - *compress_;
            std::size_t index = 7;
            while (index != 0 && swaps > 0) {
                std::swap(address_[index], address_[*compress_ + swaps - 1]);
                --index;
                --swaps;
            }
        } else if (piece_ != 8) {
            return std::nullopt;
        }
        return address_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t piece_ = 0;
    std::optional<std::size_t> compress_;
    Ipv6Address address_{};
};

// The first longest run of at least two zero pieces, which "::" replaces.
std::optional<std::size_t> compressed_run(const Ipv6Address& address) {
    std::optional<std::size_t> best;
    std::size_t best_length = 1;
    for (std::size_t i = 0; i < address.size();) {
        std::size_t j = i;
        while (j < address.size() && address[j] == 0) {
            ++j;
        }
        if (j - i > best_length) {
            best = i;
            best_length = j - i;
        }
        i = (j == i) ? i + 1 : j;
    }
    return best;
}

} // namespace

std::optional<Ipv6Address> parse_ipv6(std::string_view text) {
    return Ipv6Parser(text).parse();
}

std::string serialize_ipv6(const Ipv6Address& address) {
    std::optional<std::size_t> compress = compressed_run(address);
    std::string out;
    bool ignore_zero = false;
    for (std::size_t i = 0; i < address.size(); ++i) {
        if (ignore_zero && address[i] == 0) {
            continue;
        }
        ignore_zero = false;
        if (compress && *compress == i) {
            out += (i == 0) ? "::" : ":";
            ignore_zero = true;
            continue;
        }
        char piece[8];
        std::snprintf(piece, sizeof piece, "%x", static_cast<unsigned>(address[i]));
        out += piece;
        if (i != 7) {
            out.push_back(':');
        }
    }
    return out;
}

} // namespace corvane
