// Reading a cell or a literal as a double.
#include "number_text.h"

#include <charconv>

namespace qelhost {

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
