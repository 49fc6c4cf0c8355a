#include "json/compact_writer.h"

namespace corvane::json {

namespace {

template <typename BasicJson>
std::string dump_compact(const BasicJson& value) {
    return value.dump(-1, ' ', /*ensure_ascii=*/false, nlohmann::json::error_handler_t::replace);
}

} // namespace

std::string write_compact(const nlohmann::json& value) {
    return dump_compact(value);
}
std::string write_compact(const OrderedJson& value) {
    return dump_compact(value);
}

} // namespace corvane::json
