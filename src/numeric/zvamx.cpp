// zvamx(x, n): the largest |x[i]| over n doubles; 0.0 for n <= 0, reading
// nothing.  Four running maxima side by side (the order of the comparisons
// is free) let the comparisons overlap; the array holds no NaN where the
// module uses it.
#include <qelfin/qelfin.h>

#include <cmath>

namespace {
inline double larger(double a, double b) { return a > b ? a : b; }
}  // namespace

extern "C" QELFIN_API double zvamx(const double* x, int32_t n) {
    double m0 = 0.0, m1 = 0.0, m2 = 0.0, m3 = 0.0;
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        m0 = larger(std::fabs(x[i]), m0);
        m1 = larger(std::fabs(x[i + 1]), m1);
        m2 = larger(std::fabs(x[i + 2]), m2);
        m3 = larger(std::fabs(x[i + 3]), m3);
    }
    for (; i < n; ++i) m0 = larger(std::fabs(x[i]), m0);
    return larger(larger(m0, m1), larger(m2, m3));
}
