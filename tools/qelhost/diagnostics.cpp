// Error reports with the place marked under the expression.
#include "diagnostics.h"

#include <algorithm>

namespace qelhost {

void report(const ExpressionError& e, std::FILE* to) {
    std::fprintf(to, "qelhost: %s\n", e.what());
    if (e.source.empty() && e.position == 0) return;
    // Control characters (a tab, a newline inside the expression) are shown
    // as blanks so that the caret line stays under its place.
    std::string shown = e.source;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    size_t position = std::min(e.position, shown.size());
    size_t length = std::max<size_t>(1, e.length);
    // A long expression (thousands of parentheses) is shown around the
    // place only, with "..." where it is cut.
    constexpr size_t kAround = 60;
    if (shown.size() > 3 * kAround) {
        const size_t from = position > kAround ? position - kAround : 0;
        const size_t to_end = std::min(shown.size(), position + std::min(length, kAround) + kAround);
        const std::string head = from > 0 ? "..." : "", tail = to_end < shown.size() ? "..." : "";
        shown = head + shown.substr(from, to_end - from) + tail;
        position = position - from + head.size();
        length = std::min(length, kAround);
    }
    std::fprintf(to, "  %s\n  %s%s\n", shown.c_str(), std::string(position, ' ').c_str(),
                 std::string(length, '^').c_str());
}

}  // namespace qelhost
