#pragma once

// Translation of the Shield's blocklist and the user's per-site allowlist into one WebKit
// content rule list (WebKit's JSON content-blocker format), and the identifier it is stored
// under. Pure text work; compiling and attaching the list is the platform's (rule_list_store.h).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// The rule JSON for the built-in blocklist: compact, keys in ascending byte order.
std::string shield_rules_json(std::span<const std::string> allowlist);

// The same for any blocklist text (tests and tools use small lists).
std::string shield_rules_json_for(std::string_view blocklist,
                                  std::span<const std::string> allowlist);

// Puts a backslash before each of . * + ? ^ $ ( ) [ ] { } | \ / and copies everything else.
std::string escape_regex(std::string_view text);

// The allowlist as WebKit "if-domain" entries: "*" + host, for hosts of 1 to 255 bytes made of
// ASCII letters, digits, "-" and "." only; other entries are dropped silently.
std::vector<std::string> domain_rule_list(std::span<const std::string> allowlist);

// 64-bit FNV-1a over the bytes of text.
std::uint64_t fnv1a_64(std::string_view text);

// "corvane-shield-" followed by the 16 lower-case hex digits of fnv1a_64(rule_json).
std::string shield_rule_identifier(std::string_view rule_json);

// The number of rules in a blocklist text: non-empty lines that are host rules or "##" selectors.
std::size_t count_blocklist_rules(std::string_view blocklist);

// count_blocklist_rules of the built-in list, shown in the Shield panel.
std::size_t shield_rule_count();

} // namespace corvane
