#include "host/functions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace qelfin::host {

namespace {

constexpr std::array<FunctionInfo, 17> kFunctions = {{
    {"COMPOUND", "fnccomp", 4, false, {"initial amount", "final amount", "rate", "periods"}, {}},
    {"DACCDB", "fncdcb", 4, false, {"period", "value", "life", "rate factor"}, {}},
    {"DACCDBSL", "fncdcbs", 4, false, {"period", "value", "life", "rate factor"}, {}},
    {"DACCSL", "fncdcsl", 3, false, {"period", "value", "life"}, {}},
    {"DACCSYD", "fncdcsy", 3, false, {"period", "value", "life"}, {}},
    {"DACCTAB", "fncdctb", 2, true, {"period", "value"}, "table entry"},
    {"DEPDB", "fncdpb", 4, false, {"period", "value", "life", "rate factor"}, {}},
    {"DEPDBSL", "fncdpbs", 4, false, {"period", "value", "life", "rate factor"}, {}},
    {"DEPSL", "fncdpsl", 3, false, {"period", "value", "life"}, {}},
    {"DEPSYD", "fncdpsy", 3, false, {"period", "value", "life"}, {}},
    {"DEPTAB", "fncdptb", 2, true, {"period", "value"}, "table entry"},
    {"INTRR", "fncinrr", 1, true, {"frequency"}, "cash flow"},
    {"IRR", "fncirr", 1, true, {"frequency"}, "cash flow"},
    {"MORT", "fncmort", 4, false, {"amount", "payment", "rate", "periods"}, {}},
    {"NETPV", "fncntpv", 2, true, {"rate", "frequency"}, "cash flow"},
    {"NPV", "fncnpv", 2, true, {"rate (percent)", "frequency"}, "cash flow"},
    {"SAVING", "fncsav", 4, false, {"final amount", "payment", "rate", "periods"}, {}},
}};

bool same_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

// Edit distance between two names, case ignored.
size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const bool same = std::toupper(static_cast<unsigned char>(a[i - 1])) ==
                              std::toupper(static_cast<unsigned char>(b[j - 1]));
            const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = row[j];
            row[j] = next;
        }
    }
    return row[b.size()];
}

std::span<const FunctionInfo> functions() { return kFunctions; }

std::optional<int> function_index(std::string_view name) {
    for (size_t i = 0; i < kFunctions.size(); ++i)
        if (same_ignoring_case(kFunctions[i].name, name)) return static_cast<int>(i);
    return std::nullopt;
}

std::string_view nearest_function(std::string_view name) {
    std::string_view best = kFunctions[0].name;
    size_t best_distance = edit_distance(name, best);
    for (const auto& f : kFunctions) {
        const size_t d = edit_distance(name, f.name);
        if (d < best_distance) {
            best = f.name;
            best_distance = d;
        }
    }
    return best;
}

std::string describe_argument(const FunctionInfo& f, int32_t i) {
    std::string meaning;
    if (i >= 1 && i <= f.leading)
        meaning = std::string(f.arguments[i - 1]);
    else if (f.series && i > f.leading)
        meaning = std::string(f.element) + " " + std::to_string(i - f.leading);
    else
        meaning = "beyond the function's arguments";
    return "argument " + std::to_string(i) + " (" + meaning + ")";
}

}  // namespace qelfin::host
