// The errors qelhost reports before it computes anything: a usage error,
// or an error in an expression with the place in its text marked.  Both end
// the program with exit status 2.
#pragma once

#include <cstdio>
#include <stdexcept>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qelhost {

inline constexpr int kExitError = 2;

// A plain error: unreadable file, bad option value, module not loadable.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// An error at a place in an expression (0-based byte offset and length).
struct ExpressionError : std::runtime_error {
    ExpressionError(std::string message, size_t at, size_t span)
        : std::runtime_error(std::move(message)), position(at), length(span) {}
    size_t position;
    size_t length;
    std::string source;  // the text the position refers to, filled in by the caller
};

// Prints "qelhost: message", then the expression with a line of carets
// under the place.
void report(const ExpressionError& e, std::FILE* to);

// The candidate closest to `name` by edit distance, case ignored; empty when
// there are no candidates or the nearest is too far off to be a misspelling.
std::string_view nearest_name(std::string_view name, const std::vector<std::string_view>& candidates);

// "unknown function MROT (did you mean MORT?)", or with the list of the
// functions when no name is near.
std::string unknown_function(const std::string& name);

}  // namespace qelhost
