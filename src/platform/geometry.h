#pragma once

// Plain geometry in logical points (device pixels divided by the window's scale factor).

namespace corvane::platform {

struct Size {
    double width = 0.0;
    double height = 0.0;

    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

} // namespace corvane::platform
