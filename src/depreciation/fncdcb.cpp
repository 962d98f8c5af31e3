// fncdcb: entry of DACCDB, the declining-balance depreciation accumulated
// through a period.  Pass-through: zdcdb tests every argument, and its error
// word becomes the mark and the status.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncdcb(FunctionArgs* args, double* result) {
    return qelfin::entry::pass_through<zdcdb>(args, result);
}
