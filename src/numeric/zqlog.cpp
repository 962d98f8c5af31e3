// zqlog(x): a cheap logarithm of a positive x whose error points away from
// zero, for bounding the size of a logarithm without calling log.
// With x = m 2^q (0.5 <= m < 1), ln x is approximated by (q + 1 - 1/m) ln 2,
// exact at powers of two of at least 1 and never below ln x for x >= 1; it
// overshoots by at most about 0.0597, so below 1 it is shifted down by 0.06
// to stay at or below ln x.
#include "numeric/limits.h"

#include <qelfin/qelfin.h>

#include <cmath>

namespace {

using qelfin::numeric::kLn2;

constexpr double kShiftBelowOne = 0.06;

}  // namespace

extern "C" QELFIN_API double zqlog(double x) {
    int q = 0;
    const double m = std::frexp(x, &q);
    const double r = (static_cast<double>(q + 1) - 1.0 / m) * kLn2;
    return x >= 1.0 ? r : r - kShiftBelowOne;
}
