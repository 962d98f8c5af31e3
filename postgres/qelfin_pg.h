/*
 * qelfin_pg.h: what the glue files share: the call of one SQL function
 * call site, kept in fn_extra, and the settings.
 */
#ifndef QELFIN_PG_H
#define QELFIN_PG_H

#include "postgres.h"

#include "fmgr.h"

#include "bridge.h"

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

/*
 * One call site of a query: the module's call site (argument block and
 * counter word), the refusals reported and whether its unit hint was
 * given.  Lives in fn_mcxt; the host's site is freed by a reset callback
 * on that context.
 */
typedef struct QelfinCall
{
	QelfinSite *site;
	int			refusals;
	bool		hinted;
	MemoryContextCallback release;
} QelfinCall;

/* Loads the module into this backend once; ERROR if it cannot. */
extern void qelfin_ensure_loaded(void);

/*
 * The call site kept in fcinfo's fn_extra, made on first use, with
 * `arg_count` arguments (the counter word kept when the count changes).
 */
extern QelfinCall *qelfin_call_site(FunctionCallInfo fcinfo, int function, int32 arg_count);

/*
 * Calls the site on the values set in its arguments (and the list bound),
 * raises its hint, notes and refusal, and returns the result or NULL.
 */
extern Datum qelfin_call_finish(FunctionCallInfo fcinfo, QelfinCall *call);

#endif							/* QELFIN_PG_H */
