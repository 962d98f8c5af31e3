// zvamx(x, n): the largest |x[i]| over n doubles; 0.0 for n <= 0, reading
// nothing.  The array holds no NaN where the module uses it.
#include <qelfin/qelfin.h>

#include <cmath>

extern "C" QELFIN_API double zvamx(const double* x, int32_t n) {
    double largest = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        const double a = std::fabs(x[i]);
        if (a > largest) largest = a;
    }
    return largest;
}
