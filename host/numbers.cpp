// The shortest round-trip text of a double, and figures with a fixed
// number of decimals.
#include "host/numbers.h"

#include "host/decimals.h"

#include <charconv>
#include <cmath>

namespace qelfin::host {

namespace {
constexpr double kPlainFrom = 1e-6;  // smallest magnitude written without an exponent
constexpr double kPlainTo = 1e16;    // first magnitude written with one
}  // namespace

std::string_view format_number(double x, char (&buf)[kNumberChars]) {
    // std::to_chars gives the shortest digits that read back as x; amounts
    // are easier to read, and to compare by eye, without an exponent.
    const double magnitude = std::fabs(x);
    const bool plain = magnitude == 0.0 || (magnitude >= kPlainFrom && magnitude < kPlainTo);
    const auto r = plain ? std::to_chars(buf, buf + kNumberChars, x, std::chars_format::fixed)
                         : std::to_chars(buf, buf + kNumberChars, x);
    return std::string_view(buf, static_cast<size_t>(r.ptr - buf));
}

void append_number(std::string& out, double x, std::string_view missing_text) {
    if (x != x) {
        out += missing_text;
        return;
    }
    char buf[kNumberChars];
    out += format_number(x, buf);
}

std::string number_text(double x) {
    std::string out;
    append_number(out, x, ".");
    return out;
}

void append_fixed(std::string& out, double x, int n, std::string_view missing_text) {
    if (x != x) {
        out += missing_text;
        return;
    }
    if (std::isinf(x) || n < 0) {
        append_number(out, n < 0 ? round_decimals(x, n) : x, missing_text);
        return;
    }
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, round_decimals(x, n), std::chars_format::fixed, n);
    out.append(buf, static_cast<size_t>(r.ptr - buf));
}

}  // namespace qelfin::host
