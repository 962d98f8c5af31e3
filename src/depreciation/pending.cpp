// Entries of the depreciation family that are not built yet.
#include "entry/pending.h"

QELFIN_PENDING_ENTRY(fncdcb)
QELFIN_PENDING_ENTRY(fncdpb)
QELFIN_PENDING_ENTRY(fncdcbs)
QELFIN_PENDING_ENTRY(fncdpbs)
QELFIN_PENDING_ENTRY(fncdcsl)
QELFIN_PENDING_ENTRY(fncdpsl)
QELFIN_PENDING_ENTRY(fncdcsy)
QELFIN_PENDING_ENTRY(fncdpsy)
QELFIN_PENDING_ENTRY(fncdctb)
QELFIN_PENDING_ENTRY(fncdptb)
