// MORT(a, p, r, n): loan amount, payment at the end of each period, rate per
// period and number of payments of p = a r / (1 - (1 + r)^-n); the caller
// leaves exactly one missing and zmort computes it.  Not exactly one
// missing, or a refused input: STATUS_INVALID_ARGS, no mark.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncmort(FunctionArgs* args, double* result) {
    return qelfin::entry::exactly_one_missing<zmort, STATUS_INVALID_ARGS>(args, result);
}
