/*
 * qelfin_pg.h: what the glue files share: the backend's host (the C API of
 * qelfin_host.h over the server's memory), the call of one SQL function
 * call site kept in fn_extra, and the settings.
 */
#ifndef QELFIN_PG_H
#define QELFIN_PG_H

#include "postgres.h"

#include "fmgr.h"

#include <qelfin/qelfin_host.h>

/* qelfin.invalid: what a call that gives no value reports. */
typedef enum QelfinInvalid
{
	QELFIN_INVALID_NOTICE,		/* NULL and a NOTICE, ten per call site */
	QELFIN_INVALID_SILENT,		/* NULL, silently */
	QELFIN_INVALID_ERROR		/* ERROR 22023 */
} QelfinInvalid;

extern int	qelfin_invalid;

/* Refusal NOTICEs of one call site before it says no more follow. */
#define QELFIN_REFUSAL_NOTICES 10

/* Most cash flows IRR and INTRR take; NPV and NETPV take up to the
 * module's argument count, a 32-bit integer, less their two leading
 * arguments. */
#define QELFIN_IRR_MAX_FLOWS 32767
#define QELFIN_NPV_MAX_FLOWS 2147483645

/* Notes one call may write (note 201, then at most one 202). */
#define QELFIN_MAX_NOTES 4
#define QELFIN_NOTE_LEN 256

/*
 * The context of one host call: the memory context its pool allocations
 * go to, and the notes it wrote, kept to be raised after the call returns
 * (the services never raise anything).  Every context the glue gives the
 * host starts with its memory context, which is all the pool reads: a
 * site's own context is the MemoryContext in its QelfinCall.
 */
typedef struct QelfinCallContext
{
	MemoryContext mcxt;
	int			note_count;
	char		notes[QELFIN_MAX_NOTES][QELFIN_NOTE_LEN];
} QelfinCallContext;

/* The services over the server's memory (services.c); `scratch` is the
 * context the IRR solver's scratch pools use, reset when one is destroyed. */
extern void qelfin_pg_services(qelfin_host_services *services, MemoryContext scratch);

/*
 * One call site of a query: the host's call site, the refusals reported
 * and whether its unit hint was given.  Lives in fn_mcxt, and so does the
 * host's site (its argument block and values; `mcxt` is the context the
 * site is created with); the site is freed by a reset callback on it.
 */
typedef struct QelfinCall
{
	MemoryContext mcxt;
	qelfin_site *site;
	double	   *args;			/* the site's leading arguments, as qelfin_call_args gave them */
	int			function;
	int			refusals;
	bool		hinted;
	MemoryContextCallback release;
} QelfinCall;

/* The backend's host, the module loaded into it once; ERROR if it cannot be. */
extern qelfin_host *qelfin_ensure_loaded(void);

/* The catalogue's number of a function by name; ERROR if unknown. */
extern int	qelfin_function_of(const char *name);

/*
 * The call site kept in fcinfo's fn_extra, made on first use, with
 * `arg_count` arguments (the counter word kept when the count changes).
 */
extern QelfinCall *qelfin_call_site(FunctionCallInfo fcinfo, int function, int32 arg_count);

/* The site's argument values to set (the leading ones while a list is
 * bound); ERROR when memory runs out. */
extern double *qelfin_call_args(QelfinCall *call);

/*
 * Calls the site on the values set in its arguments (and the list bound),
 * raises its hint, notes and refusal, and returns the result or NULL.
 */
extern Datum qelfin_call_finish(FunctionCallInfo fcinfo, QelfinCall *call);

#endif							/* QELFIN_PG_H */
