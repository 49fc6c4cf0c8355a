#pragma once

// The chrome page's messages to the core. Each message is one JSON text tagged by the member
// "t"; in memory it is a plain value, moved from the intake to the dispatcher.

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace corvane {

namespace msg {

struct Ready {};
struct Drag {};
struct ZoomWindow {};
struct Navigate {
    std::string text;
    bool new_tab = false;
};
struct OpenUrl {
    std::string url;
    bool new_tab = false;
};
struct NewTab {};
struct CloseTab {
    std::uint64_t id = 0;
};
struct SelectTab {
    std::uint64_t id = 0;
};
struct MoveTab {
    std::uint64_t id = 0;
    std::uint64_t to = 0;
};
struct Back {};
struct Forward {};
struct Reload {};
struct Stop {};
struct Overlay {
    bool on = false;
};
struct Suggest {
    std::string q;
    bool complete = false;
};
struct ToggleBookmark {};
struct Cmd {
    std::string cmd;
};
struct Find {
    std::string q;
    bool back = false;
    bool fresh = false;
};
struct Findbar {
    bool open = false;
};
struct Panel {
    std::string name;
};
struct Setting {
    std::string key;
    nlohmann::json value;
};
struct ClearData {
    bool history = false;
    bool site = false;
};
struct RemoveBookmark {
    std::string url;
};
struct ShieldSite {
    bool on = false;
};
struct RevealDownload {
    std::uint64_t index = 0;
};
struct FocusPage {};
struct DevEval {
    std::uint64_t id = 0;
    std::string code;
};
struct DevResize {
    double h = 0.0;
};
struct DevClose {};

} // namespace msg

// The variant order is the wire protocol's variant index (0..28); keep it.
using UiMsg =
    std::variant<msg::Ready, msg::Drag, msg::ZoomWindow, msg::Navigate, msg::OpenUrl, msg::NewTab,
                 msg::CloseTab, msg::SelectTab, msg::MoveTab, msg::Back, msg::Forward, msg::Reload,
                 msg::Stop, msg::Overlay, msg::Suggest, msg::ToggleBookmark, msg::Cmd, msg::Find,
                 msg::Findbar, msg::Panel, msg::Setting, msg::ClearData, msg::RemoveBookmark,
                 msg::ShieldSite, msg::RevealDownload, msg::FocusPage, msg::DevEval, msg::DevResize,
                 msg::DevClose>;

inline constexpr std::size_t kUiMsgVariantCount = std::variant_size_v<UiMsg>;

// Bodies longer than this are refused before any parsing.
inline constexpr std::size_t kMaxUiMsgBytes = 65536;

// Decodes one message body; nothing on any refusal (oversized body, invalid JSON, unknown tag,
// missing, duplicated or mistyped field). Refusals are silent by design.
std::optional<UiMsg> parse_ui_msg(std::string_view body);

// The variant index of a wire name ("closeTab" -> 6); exact, case-sensitive match.
std::optional<std::size_t> ui_msg_variant_from_str(std::string_view name);

// The wire name of a message ("t" value), e.g. for logging in tests.
std::string_view ui_msg_wire_name(const UiMsg& msg);

} // namespace corvane
