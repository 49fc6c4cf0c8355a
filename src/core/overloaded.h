#pragma once

namespace corvane {

// Arms for std::visit, one lambda per alternative: a missing alternative does not compile.
template <typename... Arms>
struct Overloaded : Arms... {
    using Arms::operator()...;
};
template <typename... Arms>
Overloaded(Arms...) -> Overloaded<Arms...>;

} // namespace corvane
