// One vectorized call of a module function: a call site over columns of
// doubles, evaluated with the interpreter's lock released, its notes kept
// for the caller to turn into warnings once it holds the lock again.
#pragma once

#include "host/call_site.h"
#include "host/columns.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qelfin::python {

// The caller kind of a data step's call site: IRR and INTRR write at most
// ten notes per call site, then note 202.
inline constexpr uint8_t kDataStepCaller = 0x48;

// Evaluates `function` over `rows` rows of `args` on one new call site;
// writes the results to `out` and returns the notes written.  Runs without
// touching the interpreter: the caller releases its lock around it.
std::vector<host::Note> evaluate_call_site(const host::Module& module, int function,
                                           std::span<const host::Column> args, size_t rows,
                                           const host::ColumnOutputs& out);

}  // namespace qelfin::python
