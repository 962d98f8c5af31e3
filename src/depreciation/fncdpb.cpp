// fncdpb: entry of DEPDB, the declining-balance depreciation of one period.
// Pass-through: zdpdb tests every argument, and its error word becomes the
// mark and the status.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncdpb(FunctionArgs* args, double* result) {
    return qelfin::entry::pass_through<zdpdb>(args, result);
}
