// fncdpsl: entry of DEPSL, the straight-line depreciation of one period.
// Pass-through: zdpsl tests every argument, and its error word becomes the
// mark and the status.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncdpsl(FunctionArgs* args, double* result) {
    return qelfin::entry::pass_through<zdpsl>(args, result);
}
