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
//
// A series function can read its series from one block of doubles instead
// of one column per element (evaluate_series): a 2-D array with a row
// stride and an element stride, or rows of different lengths at given
// starts (cash flows stored one row per period, gathered per group).  No
// element is copied; the call site holds one descriptor per element.
//
// A caller that must be able to stop a long evaluation (an interactive
// interpreter on Ctrl-C) gives an Interrupt: it is asked between blocks of
// rows, about every 20 ms, and the loop stops when it says so.
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
    const struct Interrupt* interrupt = nullptr;  // optional: asked between blocks of rows
};

struct Interrupt {
    bool (*stop)(void* context) = nullptr;  // true: stop before the next row
    void* context = nullptr;
};

// The series of each row in one block of doubles.  Element j of row r is
// base[r * row_stride + j * element_stride] for j < elements; or, when
// `starts` is given, base[starts[r] + j * element_stride] for
// j < lengths[r] (each at most `elements`).  Strides are in doubles and may
// be 0 or negative.
struct SeriesBlock {
    const double* base = nullptr;
    ptrdiff_t row_stride = 0;
    ptrdiff_t element_stride = 1;
    size_t elements = 0;
    const int64_t* starts = nullptr;   // optional, with lengths: rows of their own lengths
    const int32_t* lengths = nullptr;
};

struct ColumnSummary {
    size_t ok = 0;      // rows whose call returned status 0
    size_t failed = 0;  // rows whose call returned another status
    bool interrupted = false;  // stopped by the Interrupt after ok + failed rows
};

// Evaluates `site` over `rows` rows.  args.size() must equal the site's
// number of arguments (std::invalid_argument otherwise).
ColumnSummary evaluate_columns(CallSite& site, std::span<const Column> args, size_t rows, const ColumnOutputs& out);

// Evaluates a series function's `site` over `rows` rows: the leading
// arguments from `leading`, the series from `series`.  The site must take
// leading.size() + series.elements arguments; with `lengths`, each row's
// call is given leading.size() + lengths[r] of them.
ColumnSummary evaluate_series(CallSite& site, std::span<const Column> leading, const SeriesBlock& series,
                              size_t rows, const ColumnOutputs& out);

}  // namespace qelfin::host
