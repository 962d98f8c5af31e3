// The module as the tests of the numeric primitives and the time-value
// solvers see it: loaded once through the stand-in host, routines looked
// up by their exported names.
#pragma once

#include "host/module.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace qelfin::test {

inline host::Module& module() {
    static host::Host host;
    static host::Module loaded(host);
    return loaded;
}

template <class F>
F routine(const char* name) {
    return module().symbol<F>(name);
}

inline uint64_t bits(double x) { return std::bit_cast<uint64_t>(x); }

inline bool is_missing_bits(double x) { return bits(x) == QELFIN_MISSING_BITS; }

// Distance in units in the last place between two finite doubles of the
// same sign.
inline int64_t ulps_apart(double x, double y) {
    const int64_t a = static_cast<int64_t>(bits(std::fabs(x)));
    const int64_t b = static_cast<int64_t>(bits(std::fabs(y)));
    return a > b ? a - b : b - a;
}

// x rounded to a double, from a wider reference value.
inline double to_double(__float128 x) { return static_cast<double>(x); }

// x^k for a whole k >= 0 by k multiplications in 113-bit precision: far
// closer to the exact power than any double computation.
inline __float128 wide_power(double x, int k) {
    __float128 r = 1;
    for (int i = 0; i < k; ++i) r *= x;
    return r;
}

}  // namespace qelfin::test
