// zpower(x, y, err): x^y that refuses results outside the double range
// instead of overflowing.
//
// Method: the sign and the special bases (0, +-1) are settled first; then
// the size of the result is bounded by t = y ln|x|, with a safety factor of
// three units in the last place on y, against ln of the largest double
// (too large: error 1) and slightly above ln of the smallest normal double
// (too small: 0.0, no error).  A whole exponent whose result lies within
// 2^-104 .. 2^104 is computed by repeated squaring, which is exact enough
// and cheap for (1 + rate)^periods; everything else goes to the library pow.
//
// Error word: 0 ok, 1 result too large, 2 negative base with a non-integer
// exponent, 3 zero base with an exponent that is not positive.  On 1 to 3
// the value is MISSING.
#include "entry/entry.h"
#include "numeric/limits.h"

#include <cmath>

namespace {

using qelfin::numeric::kInt32Max;
using qelfin::numeric::kLnOfLargest;
using qelfin::numeric::kOnePlusThreeUlps;
using qelfin::numeric::kRootOfLargest;

constexpr double kLogUnderflow = -708.3964185;          // slightly above ln of the smallest normal double
constexpr double kSquaringLimit = 72.0873067782343;     // 104 ln 2: repeated squaring below this |t|

using qelfin::entry::kMissing;

// ax^k for k >= 1 by binary powering.
double power_by_squaring(double ax, uint32_t k) {
    double r = 1.0;
    double b = ax;
    for (;;) {
        if (k & 1u) r = r * b;
        k >>= 1;
        if (k == 0) break;
        b = b * b;
    }
    return r;
}

}  // namespace

extern "C" QELFIN_API double zpower(double x, double y, int32_t* err) {
    const bool ypos = y > 0;
    const double ay = ypos ? y : -y;

    if (x == 0) {
        if (ypos) {
            *err = 0;
            return 0.0;
        }
        *err = 3;
        return kMissing;
    }
    if (ypos && y == 1) {
        *err = 0;
        return x;
    }
    if (!ypos && y == 0) {
        *err = 0;
        return 1.0;
    }

    const bool xneg = x < 0;
    const double ax = std::fabs(x);

    bool integer = false;
    bool odd = false;
    uint32_t k = 0;
    if (ay < kInt32Max) {  // false for a NaN exponent as well
        k = static_cast<uint32_t>(static_cast<int32_t>(ay));
        integer = static_cast<double>(k) == ay;
        odd = integer && (k & 1u) != 0;
    }

    if (xneg && !integer) {
        *err = 2;
        return kMissing;
    }
    if (ax == 1) {
        *err = 0;
        return (xneg && odd) ? -1.0 : 1.0;
    }
    if (ay >= kRootOfLargest) {
        if ((ax > 1) == ypos) {
            *err = 1;
            return kMissing;
        }
        *err = 0;
        return 0.0;
    }

    *err = 0;
    const double t = (kOnePlusThreeUlps * y) * std::log(ax);
    if (t >= kLnOfLargest) {
        *err = 1;
        return kMissing;
    }
    if (t <= kLogUnderflow) return 0.0;

    double r;
    if (integer && std::fabs(t) < kSquaringLimit) {
        r = power_by_squaring(ax, k);
        if (y < 0) r = 1.0 / r;
    } else {
        r = std::pow(ax, y);
    }
    return (xneg && odd) ? -r : r;
}
