/*
 * period_aggregates.c: irr_agg(freq, period, flow) and its three siblings,
 * the cash-flow aggregates that take each row's period as an argument
 * instead of an ORDER BY.  The transition keeps (period, arrival, flow) in
 * the aggregate's context; the final function puts them in period order
 * (rows of one period in the order they came) and calls the module.  With
 * no ORDER BY the executor need not sort every group, which is most of the
 * cost of an ordered aggregate over many short series.
 *
 * Sorting in place leaves the state's meaning as it was (the order is by
 * period, then arrival, whatever was sorted before), so the final function
 * counts as read-only and the aggregates work as window functions.
 */
#include "qelfin_pg.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "utils/memutils.h"

typedef struct PeriodFlow
{
	double		period;
	int32		arrival;
	double		flow;
} PeriodFlow;

typedef struct PeriodState
{
	double		leading[2];
	int32		count;
	int32		capacity;
	PeriodFlow *items;
} PeriodState;

static int
by_period(const void *a, const void *b)
{
	const PeriodFlow *x = (const PeriodFlow *) a;
	const PeriodFlow *y = (const PeriodFlow *) b;

	if (x->period != y->period)
		return x->period < y->period ? -1 : 1;
	return x->arrival < y->arrival ? -1 : (x->arrival > y->arrival);
}

static Datum
period_step(FunctionCallInfo fcinfo, int leading, const char *names)
{
	MemoryContext aggcxt;
	PeriodState *state = PG_ARGISNULL(0) ? NULL : (PeriodState *) PG_GETARG_POINTER(0);
	double		lead[2];
	double		period;

	if (!AggCheckCallContext(fcinfo, &aggcxt))
		ereport(ERROR,
				(errcode(ERRCODE_FEATURE_NOT_SUPPORTED),
				 errmsg("a qelfin aggregate transition called outside an aggregate")));
	if (PG_ARGISNULL(leading + 1) || isnan(PG_GETARG_FLOAT8(leading + 1)))
		ereport(ERROR,
				(errcode(ERRCODE_NULL_VALUE_NOT_ALLOWED),
				 errmsg("the period of a cash flow must be a number, not NULL or NaN")));
	period = PG_GETARG_FLOAT8(leading + 1);
	qelfin_read_leading(fcinfo, leading, lead);

	if (state == NULL)
	{
		state = (PeriodState *) MemoryContextAlloc(aggcxt, sizeof(PeriodState));
		memcpy(state->leading, lead, sizeof(double) * leading);
		state->count = 0;
		state->capacity = 64;
		state->items = (PeriodFlow *) MemoryContextAlloc(aggcxt, sizeof(PeriodFlow) * state->capacity);
	}
	else
		qelfin_check_leading(state->leading, lead, leading, names);
	if (state->count == state->capacity)
	{
		if (state->capacity > PG_INT32_MAX / 2)
			ereport(ERROR,
					(errcode(ERRCODE_PROGRAM_LIMIT_EXCEEDED),
					 errmsg("too many cash flows in one aggregate")));
		state->capacity *= 2;
		state->items = (PeriodFlow *) repalloc_huge(state->items, sizeof(PeriodFlow) * (Size) state->capacity);
	}
	state->items[state->count].period = period;
	state->items[state->count].arrival = state->count;
	state->items[state->count].flow = PG_ARGISNULL(leading + 2) ? qelfin_missing() : PG_GETARG_FLOAT8(leading + 2);
	state->count++;
	PG_RETURN_POINTER(state);
}

static Datum
period_final(FunctionCallInfo fcinfo, int function, int leading)
{
	PeriodState *state;
	QelfinCall *call;
	double	   *args;

	if (PG_ARGISNULL(0))
		PG_RETURN_NULL();
	state = (PeriodState *) PG_GETARG_POINTER(0);
	qsort(state->items, state->count, sizeof(PeriodFlow), by_period);
	call = qelfin_call_site(fcinfo, function, leading + state->count);
	args = qelfin_site_args(call->site);
	memcpy(args, state->leading, sizeof(double) * leading);
	for (int32 i = 0; i < state->count; i++)
		args[leading + i] = state->items[i].flow;
	return qelfin_call_finish(fcinfo, call);
}

PG_FUNCTION_INFO_V1(qelfin_period_step1);
Datum		qelfin_period_step1(PG_FUNCTION_ARGS);
Datum
qelfin_period_step1(PG_FUNCTION_ARGS)
{
	return period_step(fcinfo, 1, "frequency");
}

PG_FUNCTION_INFO_V1(qelfin_period_step2);
Datum		qelfin_period_step2(PG_FUNCTION_ARGS);
Datum
qelfin_period_step2(PG_FUNCTION_ARGS)
{
	return period_step(fcinfo, 2, "rate and frequency");
}

#define QELFIN_PERIOD_FINAL(sqlname, function, leading) \
	PG_FUNCTION_INFO_V1(qelfin_##sqlname##_period_final); \
	Datum qelfin_##sqlname##_period_final(PG_FUNCTION_ARGS); \
	Datum qelfin_##sqlname##_period_final(PG_FUNCTION_ARGS) { return period_final(fcinfo, function, leading); }

QELFIN_PERIOD_FINAL(irr, QF_IRR, 1)
QELFIN_PERIOD_FINAL(intrr, QF_INTRR, 1)
QELFIN_PERIOD_FINAL(npv, QF_NPV, 2)
QELFIN_PERIOD_FINAL(netpv, QF_NETPV, 2)
