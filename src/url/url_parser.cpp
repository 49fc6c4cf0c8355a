// The basic URL parser for absolute input. The standard's state machine is written here as one
// function per part of the URL, which is the same machine for input without a base.

#include "url/ascii.h"
#include "url/percent_encoding.h"
#include "url/url.h"
#include "url/utf8.h"

namespace corvane {
namespace {

bool is_c0_or_space(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// Trims C0 controls and spaces at both ends, drops every tab and line break, and replaces
// ill-formed UTF-8.
std::string preprocess(std::string_view input) {
    while (!input.empty() && is_c0_or_space(input.front())) {
        input.remove_prefix(1);
    }
    while (!input.empty() && is_c0_or_space(input.back())) {
        input.remove_suffix(1);
    }
    std::string out;
    out.reserve(input.size());
    for (char c : input) {
        if (c != '\t' && c != '\n' && c != '\r') {
            out.push_back(c);
        }
    }
    return utf8_with_replacements(out);
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii::to_lower(a[i]) != ascii::to_lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool is_single_dot(std::string_view s) {
    return s == "." || equals_ignoring_case(s, "%2e");
}

bool is_double_dot(std::string_view s) {
    return s == ".." || equals_ignoring_case(s, ".%2e") || equals_ignoring_case(s, "%2e.") ||
           equals_ignoring_case(s, "%2e%2e");
}

bool is_windows_drive_letter(std::string_view s) {
    return s.size() == 2 && ascii::is_alpha(s[0]) && (s[1] == ':' || s[1] == '|');
}

bool is_normalized_windows_drive_letter(std::string_view s) {
    return s.size() == 2 && ascii::is_alpha(s[0]) && s[1] == ':';
}

std::optional<std::uint16_t> parse_port(std::string_view digits) {
    std::uint32_t value = 0;
    for (char c : digits) {
        if (!ascii::is_digit(c)) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 65535) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint16_t>(value);
}

} // namespace

class UrlParser {
public:
    explicit UrlParser(std::string input) : input_(std::move(input)) {}

    std::optional<Url> run() {
        std::optional<std::size_t> colon = scheme_end();
        if (!colon) {
            return std::nullopt;
        }
        for (std::size_t i = 0; i < *colon; ++i) {
            url_.scheme_.push_back(ascii::to_lower(input_[i]));
        }
        special_ = is_special_scheme(url_.scheme_);
        std::string_view rest = std::string_view(input_).substr(*colon + 1);
        bool ok = true;
        if (url_.scheme_ == "file") {
            ok = parse_file(rest);
        } else if (special_) {
            ok = parse_authority(rest.substr(std::min(rest.find_first_not_of("/\\"), rest.size())));
        } else if (rest.starts_with("//")) {
            ok = parse_authority(rest.substr(2));
        } else if (rest.starts_with("/")) {
            parse_path(rest.substr(1));
        } else {
            parse_opaque_path(rest);
        }
        if (!ok) {
            return std::nullopt;
        }
        return std::move(url_);
    }

private:
    std::optional<std::size_t> scheme_end() const {
        if (input_.empty() || !ascii::is_alpha(input_[0])) {
            return std::nullopt;
        }
        for (std::size_t i = 1; i < input_.size(); ++i) {
            char c = input_[i];
            if (c == ':') {
                return i;
            }
            if (!ascii::is_alpha(c) && !ascii::is_digit(c) && c != '+' && c != '-' && c != '.') {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    bool is_path_separator(char c) const { return c == '/' || (special_ && c == '\\'); }

    // Where the authority (or a file host) ends: the first "/", "?", "#" or, for special
    // schemes, "\".
    std::size_t authority_end(std::string_view rest) const {
        return rest.find_first_of(special_ ? "/?#\\" : "/?#");
    }

    bool parse_authority(std::string_view rest) {
        std::size_t end = std::min(authority_end(rest), rest.size());
        std::string_view authority = rest.substr(0, end);
        std::size_t at = authority.rfind('@');
        if (at != std::string_view::npos) {
            set_credentials(authority.substr(0, at));
            authority.remove_prefix(at + 1);
            if (authority.empty()) {
                return false;
            }
        }
        if (!parse_host_and_port(authority)) {
            return false;
        }
        parse_path_start(rest.substr(end));
        return true;
    }

    // Every "@" but the last belongs to the credentials and comes out encoded as "%40".
    void set_credentials(std::string_view credentials) {
        std::size_t colon = credentials.find(':');
        percent_encode_into(url_.username_, credentials.substr(0, colon), EncodeSet::Userinfo);
        if (colon != std::string_view::npos) {
            percent_encode_into(url_.password_, credentials.substr(colon + 1), EncodeSet::Userinfo);
        }
    }

    bool parse_host_and_port(std::string_view authority) {
        std::size_t colon = std::string_view::npos;
        bool inside_brackets = false;
        for (std::size_t i = 0; i < authority.size() && colon == std::string_view::npos; ++i) {
            if (authority[i] == '[') {
                inside_brackets = true;
            } else if (authority[i] == ']') {
                inside_brackets = false;
            } else if (authority[i] == ':' && !inside_brackets) {
                colon = i;
            }
        }
        std::string_view host_text = authority.substr(0, colon);
        if (colon != std::string_view::npos && host_text.empty()) {
            return false;
        }
        if (special_ && host_text.empty()) {
            return false;
        }
        url_.host_ = parse_host(host_text, special_);
        if (!url_.host_) {
            return false;
        }
        if (colon == std::string_view::npos || colon + 1 == authority.size()) {
            return true;
        }
        std::optional<std::uint16_t> port = parse_port(authority.substr(colon + 1));
        if (!port) {
            return false;
        }
        if (*port != default_port(url_.scheme_)) {
            url_.port_ = port;
        }
        return true;
    }

    bool parse_file(std::string_view rest) {
        url_.host_ = Host{};
        if (rest.empty() || !is_path_separator(rest[0])) {
            parse_path(rest);
            return true;
        }
        rest.remove_prefix(1);
        if (rest.empty() || !is_path_separator(rest[0])) {
            parse_path(rest);
            return true;
        }
        rest.remove_prefix(1);
        std::size_t end = std::min(authority_end(rest), rest.size());
        std::string_view buffer = rest.substr(0, end);
        if (is_windows_drive_letter(buffer)) {
            parse_path(rest);
            return true;
        }
        if (!buffer.empty()) {
            url_.host_ = parse_host(buffer, true);
            if (!url_.host_) {
                return false;
            }
            if (url_.host_->kind == HostKind::Domain && url_.host_->text == "localhost") {
                url_.host_ = Host{};
            }
        }
        parse_path_start(rest.substr(end));
        return true;
    }

    void parse_path_start(std::string_view rest) {
        if (special_) {
            if (!rest.empty() && is_path_separator(rest[0])) {
                rest.remove_prefix(1);
            }
            parse_path(rest);
        } else if (!rest.empty() && rest[0] == '?') {
            parse_query(rest.substr(1));
        } else if (!rest.empty() && rest[0] == '#') {
            parse_fragment(rest.substr(1));
        } else if (!rest.empty()) {
            parse_path(rest[0] == '/' ? rest.substr(1) : rest);
        }
    }

    void shorten_path() {
        auto& path = url_.path_;
        if (url_.scheme_ == "file" && path.size() == 1 &&
            is_normalized_windows_drive_letter(path[0])) {
            return;
        }
        if (!path.empty()) {
            path.pop_back();
        }
    }

    // Segments from `rest` (just after a path separator, or at the path's start) up to the
    // query or fragment.
    void parse_path(std::string_view rest) {
        std::size_t pos = 0;
        while (true) {
            std::size_t end = rest.find_first_of(special_ ? "/\\?#" : "/?#", pos);
            std::string_view segment = rest.substr(pos, end - pos);
            bool slash = end != std::string_view::npos && is_path_separator(rest[end]);
            add_segment(segment, slash);
            if (!slash) {
                if (end != std::string_view::npos) {
                    parse_query_or_fragment(rest.substr(end));
                }
                return;
            }
            pos = end + 1;
        }
    }

    void add_segment(std::string_view segment, bool slash_follows) {
        auto& path = url_.path_;
        if (is_double_dot(segment)) {
            shorten_path();
            if (!slash_follows) {
                path.emplace_back();
            }
        } else if (is_single_dot(segment)) {
            if (!slash_follows) {
                path.emplace_back();
            }
        } else {
            std::string encoded = percent_encode(segment, EncodeSet::Path);
            if (url_.scheme_ == "file" && path.empty() && is_windows_drive_letter(encoded)) {
                encoded[1] = ':';
            }
            path.push_back(std::move(encoded));
        }
    }

    void parse_opaque_path(std::string_view rest) {
        url_.opaque_path_ = true;
        std::size_t end = std::min(rest.find_first_of("?#"), rest.size());
        // A space right before the query or fragment stays visible as "%20", so that removing
        // the query later cannot leave a trailing space.
        bool space_before_end = end < rest.size() && end > 0 && rest[end - 1] == ' ';
        std::string path =
            percent_encode(rest.substr(0, end - (space_before_end ? 1 : 0)), EncodeSet::C0Control);
        if (space_before_end) {
            path += "%20";
        }
        url_.path_.push_back(std::move(path));
        if (end < rest.size()) {
            parse_query_or_fragment(rest.substr(end));
        }
    }

    // `rest` begins with "?" or "#".
    void parse_query_or_fragment(std::string_view rest) {
        if (rest[0] == '#') {
            parse_fragment(rest.substr(1));
        } else {
            parse_query(rest.substr(1));
        }
    }

    void parse_query(std::string_view rest) {
        std::size_t hash = rest.find('#');
        url_.query_ = percent_encode(rest.substr(0, hash),
                                     special_ ? EncodeSet::SpecialQuery : EncodeSet::Query);
        if (hash != std::string_view::npos) {
            parse_fragment(rest.substr(hash + 1));
        }
    }

    void parse_fragment(std::string_view rest) {
        url_.fragment_ = percent_encode(rest, EncodeSet::Fragment);
    }

    std::string input_;
    Url url_;
    bool special_ = false;
};

std::optional<Url> Url::parse(std::string_view input) {
    return UrlParser(preprocess(input)).run();
}

} // namespace corvane
