// SAVING(f, p, r, n): amount reached, payment at the start of each period,
// rate per period and number of periods of f = p ((1 + r)^(n+1) - (1 + r)) / r;
// the caller leaves exactly one missing and zsaving computes it.  Not
// exactly one missing, or a refused input: STATUS_INVALID_ARGS, no mark.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncsav(FunctionArgs* args, double* result) {
    return qelfin::entry::exactly_one_missing<zsaving, STATUS_INVALID_ARGS>(args, result);
}
