/*
 * services.c: the host's services over the server's memory.  The host
 * calls them from inside module calls, so they never raise an error: a
 * request that cannot be met returns NULL and the module reports
 * STATUS_NO_MEMORY; notes are kept in the call's context and raised by
 * the glue once the call has returned.
 */
#include "qelfin_pg.h"

#include <string.h>

#include "utils/memutils.h"

/* The one scratch context, lent to one pool at a time (the solver makes
 * one per call and destroys it before returning). */
typedef struct Scratch
{
	MemoryContext context;
	bool		busy;
} Scratch;

static Scratch scratch;

static void *
allocate(MemoryContext mcxt, size_t size)
{
	if (!AllocHugeSizeIsValid(size))
		return NULL;
	return MemoryContextAllocExtended(mcxt, size, MCXT_ALLOC_HUGE | MCXT_ALLOC_NO_OOM);
}

StaticAssertDecl(offsetof(QelfinCallContext, mcxt) == 0, "a call's context starts with its memory context");

/* The function vector at load (no call: the backend's lifetime), a site's
 * argument block and values (in its QelfinCall's context, fn_mcxt), or its
 * counter word (in the memory context of the SQL call). */
static void *
pool_allocate(void *user, void *context, size_t size)
{
	(void) user;
	return allocate(context ? *(MemoryContext *) context : TopMemoryContext, size);
}

static void
pool_release(void *user, void *block)
{
	(void) user;
	pfree(block);
}

static void *
scratch_create(void *user, void *context)
{
	Scratch    *s = (Scratch *) user;

	(void) context;

	if (s->busy || s->context == NULL)
		return NULL;
	s->busy = true;
	return s->context;
}

static void *
scratch_allocate(void *user, void *pool, size_t size)
{
	(void) user;
	return allocate((MemoryContext) pool, size);
}

static void
scratch_destroy(void *user, void *pool)
{
	Scratch    *s = (Scratch *) user;

	MemoryContextReset((MemoryContext) pool);
	s->busy = false;
}

/* Keeps the note's text without the "NOTE: " the host's texts start with
 * (the server says NOTICE already). */
static void
note(void *user, void *context, const qelfin_note *n)
{
	QelfinCallContext *call = (QelfinCallContext *) context;
	const char *text = n->text;

	(void) user;

	if (call == NULL || call->note_count >= QELFIN_MAX_NOTES)
		return;
	if (strncmp(text, "NOTE: ", 6) == 0)
		text += 6;
	snprintf(call->notes[call->note_count++], QELFIN_NOTE_LEN, "%s", text);
}

void
qelfin_pg_services(qelfin_host_services *services, MemoryContext scratch_context)
{
	scratch.context = scratch_context;
	scratch.busy = false;
	memset(services, 0, sizeof *services);
	services->version = QELFIN_HOST_API_VERSION;
	services->size = sizeof *services;
	services->user = &scratch;
	services->pool_allocate = pool_allocate;
	services->pool_release = pool_release;
	services->scratch_create = scratch_create;
	services->scratch_allocate = scratch_allocate;
	services->scratch_destroy = scratch_destroy;
	services->note = note;
}
