// zcmpnd(a, f, r, n, which, err): the quantity `which` (1 a, 2 f, 3 r, 4 n)
// of compound growth f = a (1 + r)^n from the other three; the value passed
// in position `which` is not read.
//
//   a = f / (1 + r)^n          f >= 0, r > -0.999999999, n >= 0
//   f = a (1 + r)^n            a >= 0, r > -0.999999999, n >= 0
//   r = e^((ln f - ln a) / n) - 1    a, f > 0, n > 2^-511
//   n = (ln f - ln a) / ln(1 + r)    a, f > 0, ln(1 + r) >= 2^-511
//
// The growth factor comes from zpower, so a whole number of periods is
// computed by repeated squaring and an out-of-range factor is refused
// rather than overflowing.  Returns MISSING with error 1 on every refusal,
// including a zpower failure; otherwise error 0.  Computing f may still
// overflow to infinity for a huge a; that value is returned.
#include "entry/entry.h"
#include "numeric/limits.h"

#include <cmath>

namespace {

using qelfin::numeric::kRootOfSmallest;

constexpr double kLowestRate = -0.999999999;      // rates at or below are refused

using qelfin::entry::kMissing;

double refuse(int32_t* err) {
    *err = 1;
    return kMissing;
}

}  // namespace

extern "C" QELFIN_API double zcmpnd(double a, double f, double r, double n, int32_t which, int32_t* err) {
    switch (which) {
        case 1: {
            if (f < 0 || r <= kLowestRate || n < 0) return refuse(err);
            *err = 0;
            const double growth = zpower(1 + r, n, err);
            if (*err != 0 || growth < kRootOfSmallest) return refuse(err);
            return f / growth;
        }
        case 2: {
            if (a < 0 || r <= kLowestRate || n < 0) return refuse(err);
            *err = 0;
            const double growth = zpower(1 + r, n, err);
            if (*err != 0) return refuse(err);
            return growth * a;
        }
        case 3:
            if (f <= 0 || a <= 0 || n <= kRootOfSmallest) return refuse(err);
            *err = 0;
            return std::exp((std::log(f) - std::log(a)) / n) - 1.0;
        case 4: {
            if (f <= 0 || a <= 0 || r <= kLowestRate) return refuse(err);
            *err = 0;
            const double log_growth = std::log(1.0 + r);
            if (log_growth < kRootOfSmallest) return refuse(err);
            return (std::log(f) - std::log(a)) / log_growth;
        }
        default:
            return refuse(err);
    }
}
