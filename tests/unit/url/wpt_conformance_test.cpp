// Conformance with the Web Platform Tests URL data: every absolute (base-less) parsing case and
// every host-to-ASCII case.

#include "url/url.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace corvane {
namespace {

std::optional<nlohmann::json> load_testdata(const std::string& name) {
    const char* root = std::getenv("CORVANE_TESTDATA");
    std::ifstream in(std::string(root != nullptr ? root : CORVANE_TESTDATA_DIR) + "/wpt-url/" +
                     name);
    if (!in) {
        return std::nullopt;
    }
    std::stringstream text;
    text << in.rdbuf();
    return nlohmann::json::parse(text.str());
}

// Compares every component the case gives; returns the first mismatch, empty when all agree.
std::string check_parse_case(const nlohmann::json& entry) {
    std::string input = entry["input"].get<std::string>();
    std::optional<Url> url = Url::parse(input);
    if (entry.value("failure", false)) {
        return url ? "parsed but must fail: " + url->href() : "";
    }
    if (!url) {
        return "failed but must parse";
    }
    const std::pair<const char*, std::string> actual[] = {
        {"href", url->href()},         {"protocol", url->protocol()}, {"username", url->username()},
        {"password", url->password()}, {"host", url->host()},         {"hostname", url->hostname()},
        {"port", url->port_text()},    {"pathname", url->pathname()}, {"search", url->search()},
        {"hash", url->hash()},         {"origin", url->origin()},
    };
    for (const auto& [key, value] : actual) {
        if (entry.contains(key) && entry[key].get<std::string>() != value) {
            return std::string(key) + " is \"" + value + "\", expected \"" +
                   entry[key].get<std::string>() + "\"";
        }
    }
    std::string reparsed = Url::parse(url->href()).value_or(*url).href();
    return reparsed == url->href() ? "" : "href does not parse back to itself: " + reparsed;
}

// A host case holds when parsing it as the host of a special URL gives the expected host, or
// fails where the expected output is null.
std::string check_toascii_case(const nlohmann::json& entry) {
    std::string input = entry["input"].get<std::string>();
    std::optional<Url> url = Url::parse("https://" + input + "/x");
    if (entry["output"].is_null()) {
        return url ? "parsed but must fail: " + url->host() : "";
    }
    std::string expected = entry["output"].get<std::string>();
    if (!url) {
        return "failed, expected " + expected;
    }
    return url->host() == expected && url->pathname() == "/x"
               ? ""
               : "host is \"" + url->host() + "\", expected \"" + expected + "\"";
}

TEST(WptUrlConformance, EveryAbsoluteCaseAndEveryHostCasePasses) {
    std::optional<nlohmann::json> cases = load_testdata("urltestdata.json");
    std::optional<nlohmann::json> hosts = load_testdata("toascii.json");
    if (!cases || !hosts) {
        GTEST_SKIP() << "CORVANE_TESTDATA/wpt-url is not available";
    }
    int total = 0;
    int passed = 0;
    for (const nlohmann::json& entry : *cases) {
        if (!entry.is_object() || !entry.contains("base") || !entry["base"].is_null()) {
            continue;
        }
        ++total;
        std::string problem = check_parse_case(entry);
        EXPECT_EQ(problem, "") << "input: " << entry["input"].dump();
        passed += problem.empty() ? 1 : 0;
    }
    int host_total = 0;
    int host_passed = 0;
    for (const nlohmann::json& entry : *hosts) {
        if (!entry.is_object()) {
            continue;
        }
        ++host_total;
        std::string problem = check_toascii_case(entry);
        EXPECT_EQ(problem, "") << "host: " << entry["input"].dump();
        host_passed += problem.empty() ? 1 : 0;
    }
    std::printf("wpt-url: %d/%d passed, %d/%d toascii passed\n", passed, total, host_passed,
                host_total);
    EXPECT_EQ(total, 555);
    EXPECT_EQ(passed, total);
    EXPECT_EQ(host_passed, host_total);
}

} // namespace
} // namespace corvane
