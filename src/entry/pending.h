// Stand-in for an entry whose function is not built yet: it answers every
// call with MISSING and STATUS_RESULT_MISSING, so the vector is complete
// and a host sees a well-formed failure rather than a crash.
#pragma once

#include "entry/entry.h"

#define QELFIN_PENDING_ENTRY(name)                                                        \
    extern "C" QELFIN_API uint32_t name(FunctionArgs*, double* result) {                  \
        return ::qelfin::entry::fail(result, STATUS_RESULT_MISSING);                      \
    }
