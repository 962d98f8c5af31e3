// zlnSumOfExp(a, b): ln(e^a + e^b) without overflow.
// The larger argument is taken out: ln(e^a + e^b) = max + ln(1 + e^-(|a - b|)),
// and the logarithm of 1 + e (0 < e <= 1) uses the series of zln1px when e
// is small.  Equal arguments give a + ln 2.
#include "numeric/limits.h"
#include "numeric/ln1p_series.h"

#include <qelfin/qelfin.h>

#include <cmath>

namespace {

// ln(1 + e) as zln1px computes it.
double ln_one_plus(double e) {
    using namespace qelfin::numeric;
    if (std::fabs(e) > kLn1pSeriesBound) return std::log(e + 1.0);
    return ln1p_series(e);
}

}  // namespace

extern "C" QELFIN_API double zlnSumOfExp(double a, double b) {
    if (a > b) {
        const double e = std::exp(-(a - b));
        return ln_one_plus(e) + a;
    }
    if (a == b) return qelfin::numeric::kLn2 + a;
    const double e = std::exp(a - b);
    return ln_one_plus(e) + b;
}
