// fncdcsl: entry of DACCSL, the straight-line depreciation accumulated
// through a period.  Pass-through: zdcsl tests every argument, and its error
// word becomes the mark and the status.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncdcsl(FunctionArgs* args, double* result) {
    return qelfin::entry::pass_through<zdcsl>(args, result);
}
