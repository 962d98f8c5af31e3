// zln1px(x): ln(1 + x), accurate near zero.
// |x| > 2^-5: the library log of 1 + x; otherwise the rational series.
#include "numeric/ln1p_series.h"

#include <qelfin/qelfin.h>

#include <cmath>

extern "C" QELFIN_API double zln1px(double x) {
    using namespace qelfin::numeric;
    if (std::fabs(x) > kLn1pSeriesBound) return std::log(1.0 + x);
    return ln1p_series(x);
}
