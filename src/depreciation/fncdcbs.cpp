// fncdcbs: entry of DACCDBSL, the depreciation accumulated through a period
// by declining balance switching to straight line.  Pass-through: zdcdbsl
// tests every argument, and its error word becomes the mark and the status.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncdcbs(FunctionArgs* args, double* result) {
    return qelfin::entry::pass_through<zdcdbsl>(args, result);
}
