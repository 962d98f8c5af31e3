// Rounding to a number of decimals as a person does it on paper (the
// host's, host/decimals.h and host/numbers.h): used by round(x, n) in
// expressions and by --precision.
#pragma once

#include "host/decimals.h"
#include "host/numbers.h"

namespace qelhost {

using qelfin::host::append_fixed;
using qelfin::host::kMaxDecimals;
using qelfin::host::round_decimals;

}  // namespace qelhost
