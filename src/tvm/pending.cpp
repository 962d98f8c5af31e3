// Entries of the time-value-of-money family that are not built yet.
#include "entry/pending.h"

QELFIN_PENDING_ENTRY(fnccomp)
QELFIN_PENDING_ENTRY(fncmort)
QELFIN_PENDING_ENTRY(fncsav)
