// Shared by the depreciation tests: one module loaded into one host, calls
// by function name, and table-driven checks of figures and of refusals.
#pragma once

#include "host/module.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace deptest {

using qelfin::host::Arg;
using qelfin::host::CallResult;

inline qelfin::host::Module& module() {
    static qelfin::host::Host host;
    static qelfin::host::Module m(host);
    return m;
}

inline CallResult call(std::string_view fn, const std::vector<Arg>& args) {
    return module().call(fn, std::span<const Arg>(args));
}

// Value of a call that must succeed.
inline double value(std::string_view fn, const std::vector<Arg>& args) {
    const CallResult r = call(fn, args);
    EXPECT_EQ(r.status, 0u) << fn;
    EXPECT_EQ(r.mark_count, 0) << fn;
    return r.value;
}

inline const Arg kMissing = Arg::missing();
inline const Arg kQuietNaN = Arg(std::numeric_limits<double>::quiet_NaN());  // missing too
inline constexpr double kInf = std::numeric_limits<double>::infinity();

inline double up(double x) { return std::nextafter(x, kInf); }
inline double down(double x) { return std::nextafter(x, -kInf); }

// A figure: a call and the result it must give, to a relative 1e-13.
struct Figure {
    std::string_view fn;
    std::vector<Arg> args;
    double expected;
};

inline void expect_figures(const std::vector<Figure>& figures) {
    for (const Figure& f : figures) {
        const double got = value(f.fn, f.args);
        EXPECT_NEAR(got, f.expected, 1e-13 * std::fabs(f.expected) + 1e-300)
            << f.fn << "(" << f.args[0].number << ", " << f.args[1].number << ", ...)";
    }
}

// A refused call: its status, the argument marked (0: none) and MISSING
// written bit for bit.
struct Refusal {
    std::string_view fn;
    std::vector<Arg> args;
    uint32_t status;
    int32_t marked;
};

inline void expect_refusals(const std::vector<Refusal>& refusals) {
    for (size_t i = 0; i < refusals.size(); ++i) {
        const Refusal& c = refusals[i];
        const CallResult r = call(c.fn, c.args);
        EXPECT_EQ(r.status, c.status) << c.fn << " case " << i;
        EXPECT_EQ(r.marked, c.marked) << c.fn << " case " << i;
        EXPECT_LE(r.mark_count, 1) << c.fn << " case " << i;
        EXPECT_EQ(std::bit_cast<uint64_t>(r.value), QELFIN_MISSING_BITS) << c.fn << " case " << i;
    }
}

inline constexpr uint32_t kInvalid = STATUS_INVALID_ARGS;
inline constexpr uint32_t kNoResult = STATUS_RESULT_MISSING;

}  // namespace deptest
