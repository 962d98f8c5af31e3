// Numbers as text: the reading of a cell or a literal; the writing is the
// host's (host/numbers.h).
#pragma once

#include "host/numbers.h"

#include <qelfin/qelfin.h>

#include <bit>
#include <string>
#include <string_view>

namespace qelhost {

// The module's MISSING; qelhost hands it for every missing value.
inline constexpr double kMissing = std::bit_cast<double>(QELFIN_MISSING_BITS);

// Any NaN is a missing value, as the module counts it.
inline bool is_missing(double x) { return x != x; }

// The shortest text that reads back as the same double (host/numbers.h).
using qelfin::host::append_number;
using qelfin::host::format_number;
using qelfin::host::kNumberChars;

enum class CellKind {
    number,     // a number, written as C would (an optional sign, digits, point, exponent)
    empty,      // nothing but blanks, or "." alone: a missing value
    not_number  // anything else: read as missing and reported
};

// Reads a cell: blanks around the text are ignored, a leading '+' allowed.
CellKind read_number(std::string_view text, double& value);

}  // namespace qelhost
