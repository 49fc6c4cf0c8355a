#include "shield/shield_rules.h"

#include "shield/blocklist.h"

#include "json/compact_writer.h"
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace corvane {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";
constexpr std::string_view kRegexSpecials = ".*+?^$()[]{}|\\/";

// Matches any scheme and any subdomain of the host, and only at a label boundary.
constexpr std::string_view kHostPrefix = "^[^:]+://+([^:/]+\\.)?";

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

// Calls visit(line) for every trimmed, non-empty line. A line feed ends a line; a carriage
// return before it goes with the trimming, and a last line without a line feed counts.
template <typename Visit>
void for_each_line(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const auto end = text.find('\n');
        const auto line = trim(text.substr(0, end));
        if (!line.empty()) {
            visit(line);
        }
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

bool is_selector(std::string_view line) {
    return line.starts_with("##");
}
bool is_comment(std::string_view line) {
    return line.starts_with('#') && !is_selector(line);
}

Json block_rule(std::string_view host_rule) {
    const auto slash = host_rule.find('/');
    std::string pattern(kHostPrefix);
    pattern += escape_regex(host_rule.substr(0, slash));
    if (slash == std::string_view::npos) {
        pattern += "[:/]";
    } else {
        pattern += '/';
        pattern += escape_regex(host_rule.substr(slash + 1));
    }
    Json trigger = Json::object();
    trigger["url-filter"] = std::move(pattern);
    trigger["load-type"] = Json::array({"third-party"});
    Json rule = Json::object();
    rule["trigger"] = std::move(trigger);
    rule["action"] = Json::object({{"type", "block"}});
    return rule;
}

Json hiding_rule(const std::vector<std::string_view>& selectors) {
    std::string joined;
    for (const auto selector : selectors) {
        if (!joined.empty()) {
            joined += ", ";
        }
        joined += selector;
    }
    Json action = Json::object();
    action["type"] = "css-display-none";
    action["selector"] = std::move(joined);
    Json rule = Json::object();
    rule["trigger"] = Json::object({{"url-filter", ".*"}});
    rule["action"] = std::move(action);
    return rule;
}

Json allowlist_rule(const std::vector<std::string>& domains) {
    Json trigger = Json::object();
    trigger["url-filter"] = ".*";
    trigger["if-domain"] = domains;
    Json rule = Json::object();
    rule["trigger"] = std::move(trigger);
    rule["action"] = Json::object({{"type", "ignore-previous-rules"}});
    return rule;
}

bool is_domain_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.';
}

} // namespace

std::string escape_regex(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (const char c : text) {
        if (kRegexSpecials.find(c) != std::string_view::npos) {
            out += '\\';
        }
        out += c;
    }
    return out;
}

std::vector<std::string> domain_rule_list(std::span<const std::string> allowlist) {
    std::vector<std::string> domains;
    for (const auto& entry : allowlist) {
        const bool valid = !entry.empty() && entry.size() <= 255 &&
                           std::all_of(entry.begin(), entry.end(), is_domain_char);
        if (valid) {
            domains.push_back("*" + entry);
        }
    }
    return domains;
}

std::string shield_rules_json_for(std::string_view blocklist,
                                  std::span<const std::string> allowlist) {
    Json rules = Json::array();
    std::vector<std::string_view> selectors;
    for_each_line(blocklist, [&](std::string_view line) {
        if (is_selector(line)) {
            selectors.push_back(trim(line.substr(2)));
        } else if (!is_comment(line)) {
            rules.push_back(block_rule(line));
        }
    });
    if (!selectors.empty()) {
        rules.push_back(hiding_rule(selectors));
    }
    if (auto domains = domain_rule_list(allowlist); !domains.empty()) {
        rules.push_back(allowlist_rule(domains));
    }
    // Objects are ordered maps, so the keys come out in ascending byte order.
    return json::write_compact(rules);
}

std::string shield_rules_json(std::span<const std::string> allowlist) {
    return shield_rules_json_for(builtin_blocklist(), allowlist);
}

std::uint64_t fnv1a_64(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string shield_rule_identifier(std::string_view rule_json) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx",
                  static_cast<unsigned long long>(fnv1a_64(rule_json)));
    return std::string("corvane-shield-") + digits;
}

std::size_t count_blocklist_rules(std::string_view blocklist) {
    std::size_t count = 0;
    for_each_line(blocklist, [&](std::string_view line) {
        if (!is_comment(line)) {
            ++count;
        }
    });
    return count;
}

std::size_t shield_rule_count() {
    static const std::size_t count = count_blocklist_rules(builtin_blocklist());
    return count;
}

} // namespace corvane
