// Figures written with a fixed number of decimals.
#include "rounding.h"

#include "number_text.h"

#include <charconv>
#include <cmath>

namespace qelhost {

void append_fixed(std::string& out, double x, int n, const char* missing_text) {
    if (is_missing(x)) {
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

}  // namespace qelhost
