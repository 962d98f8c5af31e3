// What the cash-flow tests share: the module loaded into a fresh host for
// each test, calls with numeric arguments, MISSING checks, and a callback
// over a vector that records the order of its reads.
#pragma once

#include "host/standin/standin.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <vector>

namespace qelfin::cashflow_test {

using host::Arg;
using host::ArgBlock;
using host::CallResult;

inline const double kMiss = host::missing_value();
inline const double kNaN = std::numeric_limits<double>::quiet_NaN();  // a NaN other than MISSING

inline uint64_t bits(double x) { return std::bit_cast<uint64_t>(x); }
inline bool is_missing_bits(double x) { return bits(x) == QELFIN_MISSING_BITS; }

class CashflowTest : public ::testing::Test {
protected:
    standin::Host host;
    host::Module loaded{host};

    CallResult call(const char* name, const std::vector<double>& values, host::SiteState* site = nullptr) {
        const std::vector<Arg> args(values.begin(), values.end());
        return loaded.call(name, std::span<const Arg>(args), site);
    }
    template <class F>
    F symbol(const char* name) {
        return loaded.symbol<F>(name);
    }
};

// Values read through a ValueCallback; every index read is recorded.
struct Flows {
    std::vector<double> c;
    std::vector<int32_t> reads;

    static double read(int32_t i, void* context) {
        auto* self = static_cast<Flows*>(context);
        self->reads.push_back(i);
        return self->c.at(static_cast<size_t>(i));
    }
};

}  // namespace qelfin::cashflow_test
