// fncdpbs: entry of DEPDBSL, the depreciation of one period by declining
// balance switching to straight line.  Pass-through: zdpdbsl tests every
// argument, and its error word becomes the mark and the status.
#include "entry/shapes.h"

extern "C" QELFIN_API uint32_t fncdpbs(FunctionArgs* args, double* result) {
    return qelfin::entry::pass_through<zdpdbsl>(args, result);
}
