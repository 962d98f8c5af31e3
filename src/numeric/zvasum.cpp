// zvasum(x, n): the sum of |x[i]| over n doubles; 0.0 for n <= 0.
// Four partial sums run side by side (the order of the terms is free), which
// lets the additions overlap.
#include <qelfin/qelfin.h>

#include <cmath>

extern "C" QELFIN_API double zvasum(const double* x, int32_t n) {
    double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += std::fabs(x[i]);
        s1 += std::fabs(x[i + 1]);
        s2 += std::fabs(x[i + 2]);
        s3 += std::fabs(x[i + 3]);
    }
    for (; i < n; ++i) s0 += std::fabs(x[i]);
    return (s0 + s1) + (s2 + s3);
}
