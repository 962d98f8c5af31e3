/*
 * memory.c: the server's memory for the host's pools.  The host calls these
 * from inside module calls, so they never raise an error: a request that
 * cannot be met returns NULL and the module reports STATUS_NO_MEMORY.
 */
#include "postgres.h"

#include "utils/memutils.h"

#include "bridge.h"

void *
qelfin_pg_alloc(void *mcxt, size_t size)
{
	if (!AllocHugeSizeIsValid(size))
		return NULL;
	return MemoryContextAllocExtended((MemoryContext) mcxt, size,
									  MCXT_ALLOC_HUGE | MCXT_ALLOC_NO_OOM);
}

void
qelfin_pg_free(void *block)
{
	pfree(block);
}

void
qelfin_pg_reset(void *mcxt)
{
	MemoryContextReset((MemoryContext) mcxt);
}
