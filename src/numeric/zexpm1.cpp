// zexpm1(x): e^x - 1, accurate near zero.
// |x| > 0.01: the library exp less one.  Otherwise the Taylor series to the
// x^6 term in nested form, x (1 + x/2 (1 + x/3 (1 + x/4 (1 + x/5 (1 + x/6))))),
// whose truncation error is below 2^-53 relative for |x| <= 0.01.
#include <qelfin/qelfin.h>

#include <cmath>

namespace {
constexpr double kSeriesBound = 0.01;
}

extern "C" QELFIN_API double zexpm1(double x) {
    if (std::fabs(x) > kSeriesBound) return std::exp(x) - 1.0;
    double s = 1.0 + x / 6.0;
    s = 1.0 + (x / 5.0) * s;
    s = 1.0 + (0.25 * x) * s;
    s = 1.0 + (x / 3.0) * s;
    s = 1.0 + (0.5 * x) * s;
    return x * s;
}
