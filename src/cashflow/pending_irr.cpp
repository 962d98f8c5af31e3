// Entries of the rate-of-return functions that are not built yet.
#include "entry/pending.h"

QELFIN_PENDING_ENTRY(fncirr)
QELFIN_PENDING_ENTRY(fncinrr)
