// The errors qelhost reports before it computes anything: a usage error,
// or an error in an expression with the place in its text marked.  Both end
// the program with exit status 2.
#pragma once

#include "host/catalogue.h"

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

// The "did you mean" hints: the catalogue's, shared with every surface.
using qelfin::host::nearest_name;
using qelfin::host::unknown_function;

}  // namespace qelhost
