// fncdpsy: entry of DEPSYD, the sum-of-years'-digits depreciation of one
// period.  Pass-through: zdpsyd tests every argument, and its error word
// becomes the mark and the status.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncdpsy(FunctionArgs* args, double* result) {
    return qelfin::entry::pass_through<zdpsyd>(args, result);
}
