#include "number_text.h"

#include <charconv>
#include <cmath>

namespace qelhost {

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
    if (is_missing(x)) {
        out += missing_text;
        return;
    }
    char buf[kNumberChars];
    out += format_number(x, buf);
}

CellKind read_number(std::string_view text, double& value) {
    size_t first = 0, last = text.size();
    while (first < last && (text[first] == ' ' || text[first] == '\t')) ++first;
    while (last > first && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
    text = text.substr(first, last - first);
    if (text.empty() || text == ".") {
        value = kMissing;
        return CellKind::empty;
    }
    // from_chars takes no '+', and would take "+-1" after removing it.
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-' || text.front() == '+') {
            value = kMissing;
            return CellKind::not_number;
        }
    }
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    // Out-of-range numbers ("1e999") are not silently made infinite or zero.
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) {
        value = kMissing;
        return CellKind::not_number;
    }
    if (is_missing(value)) {  // "nan" written out: a missing value
        value = kMissing;
        return CellKind::empty;
    }
    return CellKind::number;
}

}  // namespace qelhost
