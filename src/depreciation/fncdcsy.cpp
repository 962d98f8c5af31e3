// fncdcsy: entry of DACCSYD, the sum-of-years'-digits depreciation
// accumulated through a period.  Pass-through: zdcsyd tests every argument,
// and its error word becomes the mark and the status.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncdcsy(FunctionArgs* args, double* result) {
    return qelfin::entry::pass_through<zdcsyd>(args, result);
}
