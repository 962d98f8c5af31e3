// Entries of the present-value functions that are not built yet.
#include "entry/pending.h"

QELFIN_PENDING_ENTRY(fncnpv)
QELFIN_PENDING_ENTRY(fncntpv)
