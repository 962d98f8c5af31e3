// Plausibility hints from the catalogue's marks on each argument.
#include "host/hints.h"

#include "host/reasons.h"

#include <cmath>

namespace qelfin::host {

bool implausible(Plausibility p, double x) {
    if (x != x || std::isinf(x)) return false;
    switch (p) {
        case Plausibility::none: return false;
        case Plausibility::fraction_rate: return x > 1.0;
        case Plausibility::percent_rate: return x > 0.0 && x < 0.5;
        case Plausibility::rate_factor: return x > 10.0;
        case Plausibility::whole_payments: return x != std::floor(x);
    }
    return false;
}

std::string plausibility_hint(const FunctionInfo& f, int32_t position, double x) {
    if (position < 1 || position > f.leading) return {};
    const ArgumentInfo& a = f.details[static_cast<size_t>(position) - 1];
    if (!implausible(a.plausibility, x)) return {};
    return std::string(f.name) + ": " + std::string(a.name) + " " + reason_number(x) + " " +
           plausibility_text(a.plausibility, f.name);
}

}  // namespace qelfin::host
