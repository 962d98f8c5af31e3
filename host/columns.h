// The column API: one call site evaluated over columns of doubles, row by
// row, with no allocation per row.  Argument k of row r is read from
// args[k].data[r * args[k].stride] (stride 0 repeats one value for every
// row); NaN or MISSING marks a missing value.  Results go to contiguous
// output columns: the value (MISSING where the call gives none), and where
// asked for, the status and the marked argument (1-based, 0 for none).
// A call that gives no value leaves MISSING in its row.
//
// The loop points the argument block's descriptors at the input values
// instead of copying them, and only the arguments whose column moves are
// repointed from row to row, so a row costs little more than the entry
// call itself.
#pragma once

#include "host/call_site.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace qelfin::host {

struct Column {
    const double* data = nullptr;
    ptrdiff_t stride = 1;  // in doubles; 0 for a value repeated on every row

    double at(size_t row) const { return data[static_cast<ptrdiff_t>(row) * stride]; }
};

struct ColumnOutputs {
    double* value = nullptr;     // rows doubles; required
    uint32_t* status = nullptr;  // rows status codes; optional
    int32_t* marked = nullptr;   // rows marked-argument numbers; optional
    size_t* row = nullptr;       // optional: set to each row's index before its call,
                                 // so that a note sink can tell which row wrote a note
};

struct ColumnSummary {
    size_t ok = 0;      // rows whose call returned status 0
    size_t failed = 0;  // rows whose call returned another status
};

// Evaluates `site` over `rows` rows.  args.size() must equal the site's
// number of arguments (std::invalid_argument otherwise).
ColumnSummary evaluate_columns(CallSite& site, std::span<const Column> args, size_t rows, const ColumnOutputs& out);

}  // namespace qelfin::host
