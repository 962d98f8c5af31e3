// The module loaded once through the stand-in host, its routines looked up by
// their exported names (shared with the time-value tests).
#pragma once

#include "host/standin/standin.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace qelfin::test {

inline host::Module& module() {
    static standin::Host host;
    static host::Module loaded(host);
    return loaded;
}

template <class F>
F routine(const char* name) {
    return module().symbol<F>(name);
}

inline uint64_t bits(double x) { return std::bit_cast<uint64_t>(x); }
inline bool is_missing_bits(double x) { return bits(x) == QELFIN_MISSING_BITS; }
inline double to_double(__float128 x) { return static_cast<double>(x); }

// x^k (k >= 0) by k multiplications in 113-bit precision.
inline __float128 wide_power(double x, int k) {
    __float128 r = 1;
    for (int i = 0; i < k; ++i) r *= x;
    return r;
}

}  // namespace qelfin::test
