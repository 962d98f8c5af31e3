// zdcsyd, zdpsyd: sum-of-years'-digits depreciation, accumulated through
// period p (DACCSYD) and for period p alone (DEPSYD).  Period and life may
// be fractional.
//
// Method: with m = floor(y), whole period k = 1 .. m carries the weight
// y - k + 1, the life left at its start, and a fractional life adds a last
// part period of length y - m and weight (y - m)^2.  The weights total
//
//   D = m * (y - (m - 1) * 0.5) + (y - m)^2       (y (y + 1) / 2 for whole y).
//
// After x periods, n = floor(x), the accumulated fraction is
//
//   S(x) = [(y - (n - 1) * 0.5) * n + (x - n) * (y - n)] / D,
//
// the weight of the n whole periods elapsed plus the part x - n of period
// n + 1, whose weight per unit of time is y - n; S(x) = 0 for x <= 0 and 1
// for x >= y (S is continuous there).  DACCSYD = S(p) * v,
// DEPSYD = (S(p) - S(p - 1)) * v.
//
// Bounds keep every product finite: period at most 2^53, |value| at most
// about the square root of the largest double, life between about the
// square root of the smallest normal and the cube root of the largest
// double (D ~ y^2 / 2 times v stays in range).  The range test of the value follows the missing test of the life.
//
// Error word: 0 ok; -i when argument i is missing or out of range.
#include "entry/entry.h"
#include "numeric/limits.h"

#include <cmath>

namespace {

using qelfin::numeric::kCubeRootOfLargest;
using qelfin::numeric::kLargestExactWhole;
using qelfin::numeric::kRootOfLargest;
using qelfin::numeric::kRootOfSmallest;

using qelfin::entry::is_missing;
using qelfin::entry::kMissing;

constexpr double kHalf = 0.5;                       // the halving in the digit sums

int32_t check_arguments(double p, double v, double y) {
    if (is_missing(p)) return -1;
    if (p > kLargestExactWhole) return -1;
    if (is_missing(v)) return -2;
    if (is_missing(y)) return -3;
    if (std::fabs(v) > kRootOfLargest) return -2;
    if (y < kRootOfSmallest || y > kCubeRootOfLargest) return -3;
    return 0;
}

// D, the total of the digit weights of life y.
double digit_total(double y) {
    const double m = std::floor(y);
    const double part = y - m;
    return m * (y - (m - 1.0) * kHalf) + part * part;
}

// S(x) for life y with digit total d.
double accumulated_fraction(double x, double y, double d) {
    if (x <= 0) return 0.0;
    if (x >= y) return 1.0;
    const double n = std::floor(x);
    return ((y - (n - 1.0) * kHalf) * n + (x - n) * (y - n)) / d;
}

}  // namespace

extern "C" QELFIN_API double zdcsyd(double p, double v, double y, int32_t* err) {
    *err = check_arguments(p, v, y);
    if (*err != 0) return kMissing;
    if (p <= 0) return 0.0;
    if (p >= y) return v;
    return accumulated_fraction(p, y, digit_total(y)) * v;
}

extern "C" QELFIN_API double zdpsyd(double p, double v, double y, int32_t* err) {
    *err = check_arguments(p, v, y);
    if (*err != 0) return kMissing;
    const double d = digit_total(y);
    const double a = accumulated_fraction(p, y, d);
    const double b = accumulated_fraction(p - 1.0, y, d);
    return (a - b) * v;
}
