// zdcdbsl, zdpdbsl: declining balance switching to straight line,
// accumulated through period p (DACCDBSL) and for period p alone (DEPDBSL).
// Periods and the life are whole numbers.
//
// Method: with f = r / y, periods 1 .. s - 1 write off the fraction f of the
// book value left; from the switch period s on, the book value left after
// them, v * (1 - f)^(s - 1), is spread evenly over the y + 1 - s remaining
// periods.  s is the truncation toward zero of
//
//   T = (kSwitchOffset + y) - y / r,
//
// the first period whose straight-line amount exceeds the declining-balance
// one; the margin in kSwitchOffset keeps a period in which both are equal on
// the declining balance.  For rate factors below 1 the switch comes at once
// (s <= 1, every period on the straight line over a grossed-up balance), and
// below kRootOfSmallest T is taken as 1: plain straight line.  s stays a
// double throughout: for small rate factors y / r lies far outside the
// range of a 32-bit integer.  The accumulated fraction after x periods is
//
//   F(x) = 0 for x <= 0, 1 for x >= y or for f >= 1 and x * f >= 1,
//   F(x) = 1 - (1 - f)^x                               when s > x,
//   F(x) = 1 - (1 - f)^(s - 1) * (y - x) / (y + 1 - s)  otherwise,
//
// DACCDBSL = F(p) * v, DEPDBSL = (F(p) - F(p - 1)) * v.
//
// Bounds: life and period whole numbers by the test below, life in
// (0, kInt32Max), period below kInt32Max, rate factor in (0, kInt32Max).
// The life is tested before the period and the period before the rate
// factor, after the missing tests in argument order.
//
// Error word: 0 ok; -i when argument i is missing or invalid; positive,
// zpower's own code, when a power failed.
#include "depreciation/balance_pair.h"
#include "entry/entry.h"
#include "numeric/limits.h"

#include <cmath>
#include <cstdint>

namespace {

using qelfin::numeric::kInt32End;
using qelfin::numeric::kInt32Low;
using qelfin::numeric::kInt32Max;
using qelfin::numeric::kRootOfSmallest;

using qelfin::entry::is_missing;

constexpr double kWholeScale = 1.0000000000001137;     // 1 + 2^-43: lifts values a few ulps short of a whole number
constexpr double kWholeTolerance = 4.547473508864643e-13;  // 2^-41 plus two units in the last place
constexpr double kSwitchOffset = 2.000000000001;       // 2 plus a margin of about 1e-12

// Whole-number test: x passes when it lies within kWholeTolerance of
// floor(x * kWholeScale) taken as a 32-bit integer, a value outside that
// range becoming INT32_MIN (what the processor's truncating conversion
// gives; done here by an explicit range test).  So zero passes, and so does
// a positive value within the tolerance of zero, while a negative whole
// number above INT32_MIN fails (its scaled value floors to the next lower
// integer).  It only validates: callers go on with x itself.
bool whole_number(double x) {
    const double scaled = std::floor(x * kWholeScale);
    const int32_t n = (scaled >= kInt32Low && scaled < kInt32End) ? static_cast<int32_t>(scaled) : INT32_MIN;
    return std::fabs(x - static_cast<double>(n)) <= kWholeTolerance;
}

int32_t check_arguments(double p, double v, double y, double r) {
    if (is_missing(p)) return -1;
    if (is_missing(v)) return -2;
    if (is_missing(y)) return -3;
    if (is_missing(r)) return -4;
    if (y <= 0 || y >= kInt32Max || !whole_number(y)) return -3;
    if (p >= kInt32Max || !whole_number(p)) return -1;
    if (r <= 0 || r >= kInt32Max) return -4;
    return 0;
}

// F(x) for a whole number of periods x, life y and rate factor r; a zpower
// failure leaves its code in *err (the value is then meaningless).
double accumulated_fraction(double x, double y, double r, int32_t* err) {
    if (x <= 0) return 0.0;
    if (x >= y) return 1.0;
    const double f = r / y;
    if (f >= 1 && x * f >= 1) return 1.0;
    const double t = r >= kRootOfSmallest ? (kSwitchOffset + y) - y / r : 1.0;
    const double s = t >= 0 ? std::floor(t) : std::ceil(t);
    if (s > x) return 1.0 - zpower(1.0 - f, x, err);
    const double balance = zpower(1.0 - f, s - 1.0, err);
    return 1.0 - balance * (y - x) / (y + 1.0 - s);
}

}  // namespace

extern "C" QELFIN_API double zdcdbsl(double p, double v, double y, double r, int32_t* err) {
    return qelfin::depreciation::accumulated_depreciation<check_arguments, accumulated_fraction>(p, v, y, r, err);
}

extern "C" QELFIN_API double zdpdbsl(double p, double v, double y, double r, int32_t* err) {
    return qelfin::depreciation::period_depreciation<check_arguments, accumulated_fraction>(p, v, y, r, err);
}
