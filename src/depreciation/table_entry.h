// The entry shape of DACCTAB and DEPTAB: period, value, then the table of
// per-period fractions as the rest of the argument list.  Unlike the other
// depreciation entries these test for missing arguments themselves, so the
// first missing one (period, value, then the entries in order) is marked;
// a table the solver refuses (no entries, an entry outside [0, 1], too large
// a sum) is reported without naming an argument.  The table is never
// copied: the solver reads it through the entry's own `tableval`.
#pragma once

#include "entry/shapes.h"

namespace qelfin::depreciation {

inline constexpr int32_t kFirstTableArgument = 3;  // t(0) is argument 3

using TableSolver = double (*)(double p, double v, int32_t m, ValueCallback fn, void* context, int32_t* err);

template <TableSolver solve, ValueCallback tableval>
uint32_t table_entry(FunctionArgs* args, double* result) {
    using namespace qelfin::entry;
    const double p = arg_value(args, 1);
    if (is_missing(p)) return fail_marked(args, 1, result);
    const double v = arg_value(args, 2);
    if (is_missing(v)) return fail_marked(args, 2, result);
    const int32_t m = series_length<kFirstTableArgument>(args);
    for (int32_t i = 0; i < m; ++i)
        if (is_missing(tableval(i, args))) return fail_marked(args, i + kFirstTableArgument, result);
    int32_t err = 0;
    const double value = solve(p, v, m, tableval, args, &err);
    if (err != 0) return fail(result, STATUS_INVALID_ARGS);
    return succeed(result, value);
}

}  // namespace qelfin::depreciation
