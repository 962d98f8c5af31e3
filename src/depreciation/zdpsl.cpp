// zdcsl, zdpsl: straight-line depreciation, accumulated through period p
// (DACCSL) and for period p alone (DEPSL).
//
// Method: the value is written off in equal amounts over the life y, a part
// period accruing its share linearly.  DACCSL is 0 up to period 0, v from
// the end of the life on, and (p / y) * v between.  DEPSL takes the part of
// period p that lies within the life,
//
//   a = min(p, y),  b = min(max(p - 1, 0), y),  DEPSL = ((a - b) / y) * v,
//
// which covers a period inside the life (v / y), the period in which the
// life ends (its remaining share) and periods after it (0) without
// branching on the life.  Periods up to 0 give a plain 0.
//
// Bounds: life at least kRootOfSmallest, no upper bound; period and value free.
//
// Error word: 0 ok; -i when argument i is missing or out of range, tested in
// argument order.
#include "entry/entry.h"
#include "numeric/limits.h"

#include <cmath>

namespace {

using qelfin::numeric::kRootOfSmallest;

using qelfin::entry::is_missing;
using qelfin::entry::kMissing;


int32_t check_arguments(double p, double v, double y) {
    if (is_missing(p)) return -1;
    if (is_missing(v)) return -2;
    if (is_missing(y)) return -3;
    if (y < kRootOfSmallest) return -3;
    return 0;
}

}  // namespace

extern "C" QELFIN_API double zdcsl(double p, double v, double y, int32_t* err) {
    *err = check_arguments(p, v, y);
    if (*err != 0) return kMissing;
    if (p <= 0) return 0.0;
    if (p >= y) return v;
    return (p / y) * v;
}

extern "C" QELFIN_API double zdpsl(double p, double v, double y, int32_t* err) {
    *err = check_arguments(p, v, y);
    if (*err != 0) return kMissing;
    if (p <= 0) return 0.0;
    const double a = std::fmin(p, y);
    const double b = std::fmin(std::fmax(p - 1.0, 0.0), y);
    return ((a - b) / y) * v;
}
