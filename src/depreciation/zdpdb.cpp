// zdcdb, zdpdb: declining-balance depreciation, accumulated through period
// p (DACCDB) and for period p alone (DEPDB).
//
// Method: each whole period writes off the fraction f = r / y of the book
// value left, and a part period accrues its share linearly, so after x
// periods the accumulated fraction of the value is
//
//   F(x) = 1 - (1 - f)^n * (1 - f * (x - n)),   n = floor(x),
//
// with F(x) = 0 for x <= 0 and F(x) = 1 once f >= 1 and x * f >= 1.  There
// is no cap at the life: beyond it the balance keeps declining.
// DACCDB = F(p) * v, DEPDB = (F(p) - F(p - 1)) * v, each fraction held as a
// double before the subtraction and the product.
//
// Bounds: life within [kRootOfSmallest, kRootOfLargest], rate factor in (0, kRootOfLargest];
// period and value are free.  (1 - f)^n goes through zpower, whose only
// failure here is 0^0 (f exactly 1 with 0 < x < 1).
//
// Error word: 0 ok; -i when argument i is missing or out of range, tested in
// argument order; positive, zpower's own code, when the power failed.
#include "depreciation/balance_pair.h"
#include "entry/entry.h"
#include "numeric/limits.h"

#include <cmath>

namespace {

using qelfin::numeric::kRootOfLargest;
using qelfin::numeric::kRootOfSmallest;

using qelfin::entry::is_missing;


int32_t check_arguments(double p, double v, double y, double r) {
    if (is_missing(p)) return -1;
    if (is_missing(v)) return -2;
    if (is_missing(y)) return -3;
    if (is_missing(r)) return -4;
    if (y < kRootOfSmallest || y > kRootOfLargest) return -3;
    if (r <= 0 || r > kRootOfLargest) return -4;
    return 0;
}

// F(x) for life y and rate factor r; a zpower failure leaves its code in
// *err (the value is then meaningless).
double accumulated_fraction(double x, double y, double r, int32_t* err) {
    if (x <= 0) return 0.0;
    const double f = r / y;
    if (f >= 1 && x * f >= 1) return 1.0;
    const double n = std::floor(x);
    const double balance = zpower(1.0 - f, n, err);
    return 1.0 - balance * (1.0 - f * (x - n));
}

}  // namespace

extern "C" QELFIN_API double zdcdb(double p, double v, double y, double r, int32_t* err) {
    return qelfin::depreciation::accumulated_depreciation<check_arguments, accumulated_fraction>(p, v, y, r, err);
}

extern "C" QELFIN_API double zdpdb(double p, double v, double y, double r, int32_t* err) {
    return qelfin::depreciation::period_depreciation<check_arguments, accumulated_fraction>(p, v, y, r, err);
}
