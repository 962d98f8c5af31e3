// What the present-value, scan and argument-block tests share: one host with
// the module loaded, bit-exact checks of MISSING and blocks built from
// doubles.
#pragma once

#include "host/module.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qelfin::npv_test {

inline host::Module& module() {
    static host::Host host;
    static host::Module m(host);
    return m;
}

inline uint64_t bits(double x) { return std::bit_cast<uint64_t>(x); }

inline bool is_module_missing(double x) { return bits(x) == QELFIN_MISSING_BITS; }

inline double from_bits(uint64_t b) { return std::bit_cast<double>(b); }

// Stores an exact bit pattern in numeric argument i (1-based) of a block,
// bypassing any floating-point register that could quiet a signalling NaN.
inline void store_bits(host::ArgBlock& block, int32_t i, uint64_t b) {
    std::memcpy(block.get()->args[i - 1].value, &b, sizeof b);
}

inline std::vector<host::Arg> numeric_args(const std::vector<double>& values) {
    return std::vector<host::Arg>(values.begin(), values.end());
}

}  // namespace qelfin::npv_test
