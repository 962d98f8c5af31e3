// Numbers as text: the shortest form that reads back as the same double,
// and the reading of a cell or a literal.
#pragma once

#include <qelfin/qelfin.h>

#include <bit>
#include <string>
#include <string_view>

namespace qelhost {

// The module's MISSING; qelhost hands it for every missing value.
inline constexpr double kMissing = std::bit_cast<double>(QELFIN_MISSING_BITS);

// Any NaN is a missing value, as the module counts it.
inline bool is_missing(double x) { return x != x; }

// Room for the longest text format_number writes ("-0.0000012345678901234567").
inline constexpr size_t kNumberChars = 48;

// Writes the shortest text that reads back as x into buf and returns it:
// plain decimals from 1e-6 up to 1e16 ("299.775262576", "1000000",
// "0.0000015"), exponent form outside ("1e+20", "2.5e-09"), "inf", "-inf".
// Missing values are not handled here.
std::string_view format_number(double x, char (&buf)[kNumberChars]);

// Appends the shortest text of x, or `missing_text` when x is missing.
void append_number(std::string& out, double x, std::string_view missing_text);

enum class CellKind {
    number,     // a number, written as C would (an optional sign, digits, point, exponent)
    empty,      // nothing but blanks, or "." alone: a missing value
    not_number  // anything else: read as missing and reported
};

// Reads a cell: blanks around the text are ignored, a leading '+' allowed.
CellKind read_number(std::string_view text, double& value);

}  // namespace qelhost
