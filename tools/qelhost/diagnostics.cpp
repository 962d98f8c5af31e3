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
    const size_t position = std::min(e.position, shown.size());
    const size_t length = std::max<size_t>(1, e.length);
    std::fprintf(to, "  %s\n  %s%s\n", shown.c_str(), std::string(position, ' ').c_str(),
                 std::string(length, '^').c_str());
}

}  // namespace qelhost
