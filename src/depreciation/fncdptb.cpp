// fncdptb: entry of DEPTAB, the depreciation of one period from a table of
// per-period fractions (arguments 3 onward), read by zdptab through this
// file's tableval.
#include "depreciation/table_entry.h"

namespace {

// Table entry t(i): argument i + 3.
double tableval(int32_t index, void* context) {
    return qelfin::entry::series_element<qelfin::depreciation::kFirstTableArgument>(index, context);
}

}  // namespace

extern "C" QELFIN_API uint32_t fncdptb(FunctionArgs* args, double* result) {
    return qelfin::depreciation::table_entry<zdptab, tableval>(args, result);
}
