// One vectorized call of a module function: a call site over columns of
// doubles (and a series block), evaluated with the interpreter's lock
// released, its notes going to the caller's sink.
#pragma once

#include "host/call_site.h"
#include "host/columns.h"

#include <cstddef>
#include <span>

namespace qelfin::python {

// Evaluates `function` over `rows` rows of `leading` (and of `series`, for
// a series function) on one new call site; writes the results to `out` and
// the notes to `notes`.  Every series note is written (no per-site limit):
// the Python layer gathers them into one warning per call.  Runs without
// touching the interpreter, but for out.interrupt.
host::ColumnSummary evaluate_call_site(const host::Module& module, int function, std::span<const host::Column> leading,
                                       const host::SeriesBlock* series, size_t rows, const host::ColumnOutputs& out,
                                       host::NoteSink* notes);

}  // namespace qelfin::python
