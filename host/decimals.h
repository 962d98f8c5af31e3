// Rounding to a number of decimals as a person does it on paper: the
// shortest decimal form of the double (what every surface prints) is
// rounded half away from zero, so that 2.675 rounds to 2.68 and
// 9999.999999999998 to 10000.  qelhost's round(x, n) and --precision and
// the bank-style schedules of every surface round with it.
#pragma once

namespace qelfin::host {

// x rounded to n decimals (n < 0 rounds to tens, hundreds, ...); NaN,
// infinities and zeros are returned as they are.
double round_decimals(double x, int n);

}  // namespace qelfin::host
