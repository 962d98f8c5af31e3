// Decimal rounding on the shortest decimal form of a double.
#include "host/decimals.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

namespace qelfin::host {

double round_decimals(double x, int n) {
    if (std::isnan(x) || std::isinf(x) || x == 0.0) return x;
    // "d.ddde±XX": the digits D and the exponent of the first one.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific);
    const std::string_view text(buf, static_cast<size_t>(r.ptr - buf));
    const size_t e = text.find('e');
    std::string digits;
    for (const char c : text.substr(0, e))
        if (c != '.') digits += c;
    const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    const long keep = static_cast<long>(exponent) + 1 + n;  // digits before the cut
    if (keep >= static_cast<long>(digits.size())) return x;
    const double sign = x < 0 ? -1.0 : 1.0;
    if (keep < 0) return sign * 0.0;
    std::string kept = digits.substr(0, static_cast<size_t>(keep));
    if (digits[static_cast<size_t>(keep)] >= '5') {
        size_t i = kept.size();
        while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
        if (i == 0)
            kept.insert(kept.begin(), '1');
        else
            ++kept[i - 1];
    } else if (kept.empty()) {
        return sign * 0.0;
    }
    // kept * 10^(exponent + 1 - keep), read back as the nearest double.
    const std::string back = kept + "e" + std::to_string(exponent + 1 - keep);
    double value = 0.0;
    std::from_chars(back.data(), back.data() + back.size(), value);
    return sign * value;
}

}  // namespace qelfin::host
