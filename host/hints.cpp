// Plausibility hints from the catalogue's marks on each argument.
#include "host/hints.h"

#include "host/numbers.h"

#include <cmath>

namespace qelfin::host {

namespace {

// The rule of p on a finite or missing x, inlined into each scan.
template <Plausibility p>
inline bool breaks(double x) {
    if constexpr (p == Plausibility::fraction_rate) return x > 1.0 && !std::isinf(x);
    if constexpr (p == Plausibility::percent_rate) return x > 0.0 && x < 0.5;
    if constexpr (p == Plausibility::rate_factor) return x > 10.0 && !std::isinf(x);
    if constexpr (p == Plausibility::whole_payments) return std::isfinite(x) && x != std::floor(x);
    return false;
}

template <Plausibility p>
size_t scan(const double* data, ptrdiff_t stride, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (breaks<p>(data[static_cast<ptrdiff_t>(i) * stride])) return i;
    return n;
}

}  // namespace

bool implausible(Plausibility p, double x) { return first_implausible(p, &x, 0, 1) == 0; }

size_t first_implausible(Plausibility p, const double* data, ptrdiff_t stride, size_t n) {
    switch (p) {
        case Plausibility::none: return n;
        case Plausibility::fraction_rate: return scan<Plausibility::fraction_rate>(data, stride, n);
        case Plausibility::percent_rate: return scan<Plausibility::percent_rate>(data, stride, n);
        case Plausibility::rate_factor: return scan<Plausibility::rate_factor>(data, stride, n);
        case Plausibility::whole_payments: return scan<Plausibility::whole_payments>(data, stride, n);
    }
    return n;
}

std::string plausibility_hint(const FunctionInfo& f, int32_t position, double x) {
    if (position < 1 || position > f.leading) return {};
    const ArgumentInfo& a = f.details[static_cast<size_t>(position) - 1];
    if (!implausible(a.plausibility, x)) return {};
    return std::string(f.name) + ": " + std::string(a.name) + " " + number_text(x) + " " +
           plausibility_text(a.plausibility, f.name);
}

}  // namespace qelfin::host
