// COMPOUND(a, f, r, n): initial amount, final amount, rate per period and
// number of periods of f = a (1 + r)^n; the caller leaves exactly one of
// them missing and zcmpnd computes it.  Not exactly one missing:
// STATUS_RESULT_MISSING; a refused input: STATUS_INVALID_ARGS, no mark.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fnccomp(FunctionArgs* args, double* result) {
    return qelfin::entry::exactly_one_missing<zcmpnd, STATUS_RESULT_MISSING>(args, result);
}
