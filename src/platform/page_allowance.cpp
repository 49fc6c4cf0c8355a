#include "platform/page_allowance.h"

namespace corvane::platform {

void PageAllowance::user_input() {
    allowed_.fill(true);
}

void PageAllowance::page_committed() {
    allowed_[static_cast<std::size_t>(PageAct::download)] = true;
    refusal_reported_ = false;
}

bool PageAllowance::take(PageAct act) {
    bool& allowed = allowed_[static_cast<std::size_t>(act)];
    const bool was = allowed;
    allowed = false;
    return was;
}

bool PageAllowance::first_refusal_on_page() {
    const bool first = !refusal_reported_;
    refusal_reported_ = true;
    return first;
}

} // namespace corvane::platform
