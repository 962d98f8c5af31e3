/*
 * bridge.h: the C face of the embeddable host, for the PostgreSQL glue.
 *
 * The glue (qelfin.c, functions.c, aggregates.c) is C and raises errors
 * with ereport; the host is C++.  Nothing here throws or raises: every
 * routine returns what went wrong, and the glue reports it outside any C++
 * frame.  A call site's argument block lives in a memory context of the
 * server; calling it allocates nothing on the C++ heap.
 */
#ifndef QELFIN_BRIDGE_H
#define QELFIN_BRIDGE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The seventeen functions, as the module's function vector orders them. */
enum {
	QF_COMPOUND, QF_DACCDB, QF_DACCDBSL, QF_DACCSL, QF_DACCSYD, QF_DACCTAB,
	QF_DEPDB, QF_DEPDBSL, QF_DEPSL, QF_DEPSYD, QF_DEPTAB, QF_INTRR, QF_IRR,
	QF_MORT, QF_NETPV, QF_NPV, QF_SAVING
};

/* Notes one call may write (note 201, then at most one 202). */
#define QELFIN_MAX_NOTES 4
#define QELFIN_NOTE_LEN 256

/* Most cash flows IRR and INTRR take; NPV and NETPV take up to the
 * module's argument count, a 32-bit integer, less their two leading
 * arguments. */
#define QELFIN_IRR_MAX_FLOWS 32767
#define QELFIN_NPV_MAX_FLOWS 2147483645

typedef struct QelfinSite QelfinSite;

typedef struct QelfinOutcome
{
	uint32_t	status;			/* 0: value holds the result */
	double		value;
	int32_t		marked;			/* argument marked invalid (1-based), 0 for none */
	int			note_count;		/* notes written, texts in notes[] */
	char		notes[QELFIN_MAX_NOTES][QELFIN_NOTE_LEN];
} QelfinOutcome;

/*
 * Loads the module at `path` into this backend's host, once.  `scratch`
 * is the memory context the IRR solver's scratch pools take memory from;
 * it is reset when a pool is destroyed.  Returns NULL, or the reason the
 * module could not be loaded; then nothing of the attempt is kept and the
 * next call tries again.  `fail_after` (0: never) makes loading fail after
 * that many of its steps, so that a test can see a failure part-way.
 */
const char *qelfin_bridge_load(const char *path, void *scratch, int fail_after);

/* The module's missing value. */
double		qelfin_missing(void);

/*
 * A call site of `function` with `arg_count` arguments, its block and
 * counter word allocated in `mcxt` (the memory context of the SQL call).
 * The fixed arguments of a series function, and every argument of the
 * others, read the site's own values, which start missing; the list of a
 * series function is bound by qelfin_site_bind_list before each call.
 * NULL when memory ran out.
 */
QelfinSite *qelfin_site_create(int function, int32_t arg_count, void *mcxt);

/*
 * The same site with another number of arguments: a new block that keeps
 * the counter word (and with it the note limit) and the fixed values of
 * the old one, which is freed.  NULL when memory ran out; the old site is
 * then kept.
 */
QelfinSite *qelfin_site_resize(QelfinSite *site, int32_t arg_count);

void		qelfin_site_destroy(QelfinSite *site);
int32_t		qelfin_site_arg_count(const QelfinSite *site);
int			qelfin_site_function(const QelfinSite *site);

/* The site's fixed argument values, argument i + 1 at index i. */
double	   *qelfin_site_args(QelfinSite *site);

/* The list elements read list[0], list[1], ... until the next bind. */
void		qelfin_site_bind_list(QelfinSite *site, const double *list);

/* One entry call on the values as they stand. */
void		qelfin_site_call(QelfinSite *site, QelfinOutcome *out);

/* "MORT", "STATUS_INVALID_ARGS", "argument 3 (rate)" into buf. */
const char *qelfin_function_name(int function);
const char *qelfin_status_name(uint32_t status);
void		qelfin_describe_argument(int function, int32_t i, char *buf, size_t len);
/* Why the site's last call gave no value, in the function's own terms
 * ("the payment 400 does not exceed the interest 500 of the first
 * period: ..."); empty when there is nothing to say. */
void		qelfin_site_reason(const QelfinSite *site, const QelfinOutcome *out, char *buf, size_t len);

/*
 * The catalogue's unit hint on the site's fixed arguments as they stand
 * ("MORT: rate 6 per period looks like a percent; ..."): true and the text
 * in buf when one of them is more likely a slip than meant.
 */
int			qelfin_site_hint(const QelfinSite *site, char *buf, size_t len);

/*
 * Memory of the server, provided by the glue (memory.c): never raise an
 * error, return NULL when memory runs out.
 */
void	   *qelfin_pg_alloc(void *mcxt, size_t size);
void		qelfin_pg_free(void *block);
void		qelfin_pg_reset(void *mcxt);

#ifdef __cplusplus
}
#endif

#endif							/* QELFIN_BRIDGE_H */
