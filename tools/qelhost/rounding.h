// Rounding to a number of decimals as a person does it on paper: the
// shortest decimal form of the double (what qelhost prints) is rounded half
// away from zero, so that round(2.675, 2) is 2.68 and 9999.999999999998
// rounds to 10000.  Used by round(x, n) in expressions and by --precision.
#pragma once

#include "host/decimals.h"

#include <string>

namespace qelhost {

// Decimals accepted by round(x, n) and --precision.
inline constexpr int kMaxDecimals = 15;

// x rounded to n decimals (n < 0 rounds to tens, hundreds, ...).
using qelfin::host::round_decimals;

// Appends x with exactly n decimals after rounding it so; `missing_text`
// when x is missing.
void append_fixed(std::string& out, double x, int n, const char* missing_text);

}  // namespace qelhost
