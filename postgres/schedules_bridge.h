/*
 * schedules_bridge.h: the host library's schedules and every rate of
 * return (host/schedule.h, host/rates.h), in C for the glue in schedules.c.
 * Nothing here throws or raises: each routine returns 0 and its figures in
 * memory of `mcxt` (qelfin_pg_alloc), or -1 with the reason in `reason`,
 * or -2 when memory ran out.
 */
#ifndef QELFIN_SCHEDULES_BRIDGE_H
#define QELFIN_SCHEDULES_BRIDGE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct QelfinTable
{
	int			rows;
	int			width;			/* cells per row, the period first */
	double	   *cells;			/* rows * width, row by row */
} QelfinTable;

/* args: amount, payment, rate, periods (NaN missing); decimals < 0: unrounded. */
int			qelfin_bridge_loan_schedule(const double *args, int decimals, void *mcxt, QelfinTable *out,
								 char *reason, size_t len);

/* method: DB, DBSL, SL, SYD, TAB or a function name; args after the period. */
int			qelfin_bridge_depreciation_schedule(const char *method, const double *args, int count, int decimals,
										 void *mcxt, QelfinTable *out, char *reason, size_t len);

/* Every rate in percent, ascending: *count of them at *rates. */
int			qelfin_bridge_irr_rates(double freq, const double *flows, int count, void *mcxt, double **rates,
							 int *rate_count, char *reason, size_t len);

#ifdef __cplusplus
}
#endif

#endif							/* QELFIN_SCHEDULES_BRIDGE_H */
