// Error reports with the place marked under the expression, and the
// "did you mean" hints for misspelt column and function names.
#include "diagnostics.h"

#include "host/catalogue.h"

#include <algorithm>
#include <cctype>

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

namespace {

bool contains_ignoring_case(std::string_view haystack, std::string_view needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           }) != haystack.end();
}

}  // namespace

std::string_view nearest_name(std::string_view name, const std::vector<std::string_view>& candidates) {
    std::string_view best;
    size_t best_distance = SIZE_MAX;
    for (std::string_view c : candidates) {
        const size_t d = qelfin::host::edit_distance(name, c);
        if (d < best_distance) {
            best = c;
            best_distance = d;
        }
    }
    // Beyond half the name's length the "nearest" name is no longer a
    // plausible misspelling; a name that holds the one written ("rate" in
    // "annual_rate") is the likelier meaning then.
    if (best_distance <= std::max<size_t>(2, name.size() / 2)) return best;
    for (std::string_view c : candidates)
        if (!name.empty() && contains_ignoring_case(c, name)) return c;
    return {};
}

std::string unknown_function(const std::string& name) {
    std::vector<std::string_view> names;
    for (const auto& f : qelfin::host::functions()) names.push_back(f.name);
    const std::string_view nearest = nearest_name(name, names);
    std::string message = "unknown function " + name;
    if (!nearest.empty()) return message + " (did you mean " + std::string(nearest) + "?)";
    message += "; the functions are";
    for (const std::string_view n : names) message += " " + std::string(n);
    return message;
}

}  // namespace qelhost
