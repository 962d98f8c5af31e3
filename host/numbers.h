// Numbers as every surface writes them.  The full figure is the shortest
// text that reads back as the same double, in plain decimals from 1e-6 up to
// 1e16 ("299.7752625763762", "1000000", "0.0000015") and in exponent form
// outside ("1e+20", "2.5e-09").  A figure with a fixed number of decimals
// is rounded as host/decimals.h rounds.  qelhost's values and --precision,
// the reasons, the notes and the examples of the catalogue all use these.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qelfin::host {

// Room for the longest text format_number writes ("-0.0000012345678901234567").
inline constexpr size_t kNumberChars = 48;

// Writes the shortest text that reads back as x into buf and returns it;
// "inf", "-inf".  NaN is not handled here.
std::string_view format_number(double x, char (&buf)[kNumberChars]);

// Appends the shortest text of x, or `missing_text` when x is NaN (missing).
void append_number(std::string& out, double x, std::string_view missing_text);

// The shortest text of x; "." when x is missing.
std::string number_text(double x);

// Decimals accepted by rounding: up to 15 (negative rounds to tens, ...).
inline constexpr int kMaxDecimals = 15;

// Appends x with exactly n decimals after rounding it so (host/decimals.h);
// `missing_text` when x is missing.
void append_fixed(std::string& out, double x, int n, std::string_view missing_text);

}  // namespace qelfin::host
