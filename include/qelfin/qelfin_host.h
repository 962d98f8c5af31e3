/*
 * qelfin_host.h: the embeddable host as a C API, for programs that load the
 * module and call its functions (the PostgreSQL extension, an embedder's own
 * program).  One header; everything behind opaque handles:
 *
 *   qelfin_host   the module loaded, over the services given at creation
 *   qelfin_site   a call site: one function with a fixed number of
 *                 arguments, called again and again (a row at a time or a
 *                 column at once); IRR's note limit holds per site
 *
 * Nothing here throws or longjmps: every routine returns a status or a
 * value.  Each call takes a context pointer of the caller's own (a
 * statement, a memory context) that reaches the services during that call,
 * so that an embedding needs no globals.  The services struct is versioned:
 * set .version to QELFIN_HOST_API_VERSION and .size to its sizeof.
 *
 *   qelfin_host_services s = {QELFIN_HOST_API_VERSION, sizeof s};
 *   qelfin_host *host;
 *   if (qelfin_host_create(NULL, &s, &host, error, sizeof error) != QELFIN_HOST_OK) ...
 *   qelfin_site *site;
 *   qelfin_host_site_create(host, NULL, qelfin_host_function_index("MORT"), 4, QELFIN_CALLER_ROWS, &site);
 *   double *a = qelfin_host_site_args(site);
 *   a[0] = 50000; a[1] = qelfin_host_missing(); a[2] = 0.005; a[3] = 360;
 *   qelfin_outcome out = qelfin_host_site_call(site, NULL);   (out.value: the payment)
 *
 * One host at a time per process: the module keeps the anchors it was given
 * at load.  Sites may be called from several threads at once, each site by
 * one thread at a time.
 */
#ifndef QELFIN_QELFIN_HOST_H
#define QELFIN_QELFIN_HOST_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QELFIN_HOST_API_VERSION 1

/* The caller kind of a site called row after row (a data step, a query):
 * IRR and INTRR write note 201 at most ten times per site, then note 202. */
#define QELFIN_CALLER_ROWS 0x48

/* What a routine of this API reports. */
typedef enum qelfin_host_status {
	QELFIN_HOST_OK = 0,
	QELFIN_HOST_BAD_REQUEST,	/* an argument of the routine is out of range */
	QELFIN_HOST_NO_MEMORY,
	QELFIN_HOST_LOAD_FAILED,	/* the module could not be loaded; the message says why */
	QELFIN_HOST_BAD_VERSION,	/* the services struct is of another version */
	QELFIN_HOST_REFUSED			/* no figures for the request; the message says why */
} qelfin_host_status;

typedef struct qelfin_host qelfin_host;
typedef struct qelfin_site qelfin_site;

/* A note the module wrote during a call, with the host's text. */
typedef struct qelfin_note {
	int32_t		set;
	int32_t		id;				/* 201: several sign changes; 202: no more such notes */
	double		rate;			/* note 201: the rate found; NaN otherwise */
	const char *function;		/* "IRR" or "INTRR" */
	const char *text;			/* valid during the callback only */
} qelfin_note;

/*
 * What the host asks of its embedding.  Any routine may be NULL: the
 * default is the C heap for pools and scratch, standard error for notes.
 * `user` reaches every routine; `context` is the one given to the call
 * being made (NULL while the module is loaded).  None may throw or
 * longjmp; return NULL when memory runs out.
 */
typedef struct qelfin_host_services {
	uint32_t	version;		/* QELFIN_HOST_API_VERSION */
	uint32_t	size;			/* sizeof(qelfin_host_services) */
	void	   *user;
	/* The host pool: the function vector at load, a site's 4-byte note
	 * counter on its first IRR call, and a site's own memory (its argument
	 * block and values, in the context given at the site's creation);
	 * released with the host or the site. */
	void	   *(*pool_allocate) (void *user, void *context, size_t size);
	void		(*pool_release) (void *user, void *block);
	/* Scratch pools of the IRR solver: created, used and destroyed within
	 * one call; destroy releases every block allocated from the pool. */
	void	   *(*scratch_create) (void *user, void *context);
	void	   *(*scratch_allocate) (void *user, void *pool, size_t size);
	void		(*scratch_destroy) (void *user, void *pool);
	/* A note written during a call. */
	void		(*note) (void *user, void *context, const qelfin_note *note);
} qelfin_host_services;

/* The one outcome of a call. */
typedef struct qelfin_outcome {
	uint32_t	status;			/* 0: value holds the result; else STATUS_... of qelfin.h */
	double		value;			/* the module's missing value (a NaN) unless status is 0 */
	int32_t		marked;			/* the argument marked invalid, 1-based; 0 for none */
} qelfin_outcome;

/* A column of a column call: row r reads data[r * stride] (stride 0 repeats
 * one value on every row). */
typedef struct qelfin_column {
	const double *data;
	ptrdiff_t	stride;
} qelfin_column;

/* Loads the module (NULL: the one built beside the host library).  On
 * failure *host is NULL and `message` (if given) says why. */
qelfin_host_status qelfin_host_create(const char *module_path, const qelfin_host_services *services,
									  qelfin_host **host, char *message, size_t message_size);
void		qelfin_host_destroy(qelfin_host *host);

/* The module's missing value: a NaN; any NaN counts as missing. */
double		qelfin_host_missing(void);

/* The catalogue: functions by index 0..16 (the module's vector order). */
int			qelfin_host_function_count(void);
int			qelfin_host_function_index(const char *name);	/* any case; -1 if unknown */
const char *qelfin_host_function_name(int function);			/* "MORT"; NULL if out of range */
int32_t		qelfin_host_function_leading(int function);		/* fixed arguments */
int			qelfin_host_function_series(int function);		/* 1: a list follows them */
/* Argument i's identifier, 1-based ("life"; leading + 1: the list, "flows"). */
const char *qelfin_host_argument_name(int function, int32_t i);
const char *qelfin_host_status_name(uint32_t status);		/* "STATUS_INVALID_ARGS"; "OK" for 0 */

/* Texts into buf (always terminated); each returns the length of the whole
 * text, so that a longer buffer can be given when it was cut short. */
/* "argument 3 (life)", "argument 4 (flows[2])". */
size_t		qelfin_host_describe_argument(int function, int32_t i, char *buf, size_t size);
/* Why a call on `args` gave no value, in the function's terms; "" for status 0. */
size_t		qelfin_host_reason(const qelfin_host *host, int function, const double *args, int32_t arg_count,
						  const qelfin_outcome *outcome, char *buf, size_t size);
/* The hint a plausible slip draws ("MORT: rate 4.5 per period looks like a
 * percent; ..."), for leading argument i; "" (length 0) for none. */
size_t		qelfin_host_hint(int function, int32_t i, double value, char *buf, size_t size);
/* Whether leading argument i of `function` with `value` draws a hint: the
 * check alone, cheap enough for every row; the text from qelfin_host_hint. */
int			qelfin_host_implausible(int function, int32_t i, double value);

/* A call site; its argument values start missing.  The site's memory comes
 * from the pool with `context`, which must stay valid as long as the site
 * (the site grows in it when resized). */
qelfin_host_status qelfin_host_site_create(qelfin_host *host, void *context, int function, int32_t arg_count,
									  uint8_t caller_kind, qelfin_site **site);
/* The same site with another number of arguments: the arguments kept keep
 * their values, the list bound and the note counter; new ones are missing
 * (new elements of a list until it is bound again).  The block grows by
 * half again when it must, so a count growing one at a time is cheap.  On
 * failure the site is as it was. */
qelfin_host_status qelfin_host_site_resize(qelfin_site *site, int32_t arg_count);
void		qelfin_host_site_destroy(qelfin_site *site);
int			qelfin_host_site_function(const qelfin_site *site);
int32_t		qelfin_host_site_arg_count(const qelfin_site *site);
/* The site's argument values, argument i + 1 at index i, for its next call;
 * while a list is bound, the leading arguments only (the list's elements
 * read the list, and are never copied).  Valid until the next call of this
 * routine or a resize; NULL when memory runs out. */
double	   *qelfin_host_site_args(qelfin_site *site);

/* The list of a series function: its elements (arguments leading + 1 on)
 * read list[0], list[1], ... in place until the next bind; the caller keeps
 * the list alive while the site is called on it.  Binding the same list
 * again binds only the elements added since (a window frame that grows). */
void		qelfin_host_site_bind_list(qelfin_site *site, const double *list);

/* One call on the site's values.  A note that could not be delivered for
 * want of memory makes the outcome STATUS_NO_MEMORY. */
qelfin_outcome qelfin_host_site_call(qelfin_site *site, void *context);
/* The site over `rows` rows of columns (arg_count of them): the value of
 * each row to values[r], and where not NULL its status and marked argument.
 * *ok (if not NULL) receives the rows that gave a value. */
qelfin_host_status qelfin_host_site_columns(qelfin_site *site, void *context, const qelfin_column *columns, size_t rows,
									   double *values, uint32_t *statuses, int32_t *marked, size_t *ok);
/* Why the site's last row call gave no value, from its own values. */
size_t		qelfin_host_site_reason(const qelfin_site *site, const qelfin_outcome *outcome, char *buf, size_t size);

/* Figures of a schedule, row by row: the period first in each row.  The
 * cells come from the pool (pool_allocate with the call's context); the
 * caller releases them with pool_release or with that context. */
typedef struct qelfin_table {
	int32_t		rows;
	int32_t		width;			/* cells per row */
	double	   *cells;			/* rows * width */
} qelfin_table;

/* A loan's schedule from amount, payment, rate, periods (one missing:
 * solved); decimals < 0: unrounded.  QELFIN_HOST_REFUSED: message says why. */
qelfin_host_status qelfin_host_loan_schedule(qelfin_host *host, void *context, const double args[4], int decimals,
									  qelfin_table *out, char *message, size_t message_size);
/* A depreciation schedule: method DB, DBSL, SL, SYD, TAB (or a function
 * name), args after the period (value, life, factor or fractions). */
qelfin_host_status qelfin_host_depreciation_schedule(qelfin_host *host, void *context, const char *method,
											  const double *args, int32_t count, int decimals,
											  qelfin_table *out, char *message, size_t message_size);
/* Every rate of return of the flows, in percent, ascending: *rate_count of
 * them at *rates (from the pool, as a table's cells). */
qelfin_host_status qelfin_host_irr_rates(qelfin_host *host, void *context, double freq, const double *flows,
								  int32_t count, double **rates, int32_t *rate_count,
								  char *message, size_t message_size);

#ifdef __cplusplus
}
#endif

#endif							/* QELFIN_QELFIN_HOST_H */
