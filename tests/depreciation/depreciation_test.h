// Shared by the depreciation tests: the module loaded once, calls by function
// name, and the value of a call that must succeed.
#pragma once

#include "numeric/loaded.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string_view>
#include <vector>

namespace deptest {

using qelfin::host::Arg;
using qelfin::host::CallResult;

using qelfin::test::module;

inline CallResult call(std::string_view fn, const std::vector<Arg>& args) {
    return module().call(fn, std::span<const Arg>(args));
}

inline double value(std::string_view fn, const std::vector<Arg>& args) {
    const CallResult r = call(fn, args);
    EXPECT_EQ(r.status, 0u) << fn << "(" << args[0].number << ", ...)";
    EXPECT_EQ(r.mark_count, 0) << fn;
    return r.value;
}

inline const Arg kMissing = Arg::missing();
inline const Arg kQuietNaN = Arg(std::numeric_limits<double>::quiet_NaN());  // missing too
inline constexpr double kInf = std::numeric_limits<double>::infinity();

inline double up(double x) { return std::nextafter(x, kInf); }
inline double down(double x) { return std::nextafter(x, -kInf); }

}  // namespace deptest
