// Conformance with the Web Platform Tests URL data: every absolute (base-less) parsing case and
// every host-to-ASCII case.

#include "support/temp_dir.h"
#include "url/url.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace corvane {
namespace {

std::optional<nlohmann::json> load_testdata(const std::string& name) {
    const char* root = std::getenv("CORVANE_TESTDATA");
    const auto path = std::filesystem::path(root ? root : CORVANE_TESTDATA_DIR) / "wpt-url" / name;
    return std::filesystem::exists(path)
               ? std::optional(nlohmann::json::parse(test::read_file(path)))
               : std::nullopt;
}

// The first component that differs from the case's, empty when all agree.
std::string check_parse_case(const nlohmann::json& entry) {
    std::optional<Url> url = Url::parse(entry["input"].get<std::string>());
    if (!url || entry.value("failure", false)) {
        return url.has_value() == entry.value("failure", false) ? "parse outcome" : "";
    }
    const std::pair<const char*, std::string> actual[] = {
        // Every component, and the href again after parsing it back.
        {"href", url->href()},         {"protocol", url->protocol()},
        {"username", url->username()}, {"password", url->password()},
        {"host", url->host()},         {"hostname", url->hostname()},
        {"port", url->port_text()},    {"pathname", url->pathname()},
        {"search", url->search()},     {"hash", url->hash()},
        {"origin", url->origin()},     {"href", Url::parse(url->href()).value_or(*url).href()}};
    for (const auto& [key, value] : actual) {
        if (entry.contains(key) && entry[key] != value) {
            return std::string(key) + " is \"" + value + "\"";
        }
    }
    return "";
}

TEST(WptUrlConformance, EveryAbsoluteCaseAndEveryHostCasePasses) {
    std::optional<nlohmann::json> cases = load_testdata("urltestdata.json");
    std::optional<nlohmann::json> hosts = load_testdata("toascii.json");
    if (!cases || !hosts) {
        GTEST_SKIP() << "CORVANE_TESTDATA/wpt-url is not available";
    }
    int absolute = 0;
    for (const nlohmann::json& entry : *cases) {
        if (entry.is_object() && entry.contains("base") && entry["base"].is_null()) {
            ++absolute;
            EXPECT_EQ(check_parse_case(entry), "") << entry;
        }
    }
    EXPECT_EQ(absolute, 555);
    // A host case holds when it parses as the host of a special URL, or fails where its output
    // is null.
    for (const nlohmann::json& entry : *hosts) {
        if (entry.is_object()) {
            nlohmann::json parse_case{
                {"input", "https://" + entry["input"].get<std::string>() + "/x"},
                {"host", entry["output"]},
                {"pathname", "/x"}};
            parse_case["failure"] = entry["output"].is_null();
            EXPECT_EQ(check_parse_case(parse_case), "") << entry;
        }
    }
}

} // namespace
} // namespace corvane
