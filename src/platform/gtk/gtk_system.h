#pragma once

#include "platform/system.h"

namespace corvane::platform::gtk {

class GtkSystem final : public System {
public:
    bool open_uri(const std::string& uri) override;
    void reveal_file(const std::string& path) override;
    bool set_extended_attribute(const std::string& path, const std::string& name,
                                const std::string& value) override;
    std::optional<std::string> run_and_capture(const std::vector<std::string>& argv) override;
    std::uint32_t process_id() const override;
    bool on_main_thread() const override;
};

} // namespace corvane::platform::gtk
