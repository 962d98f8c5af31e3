/*
 * aggregates.c: irr_agg, intrr_agg, npv_agg and netpv_agg over cash flows
 * stored one row per period, in two forms:
 *
 *   irr_agg(freq, flow ORDER BY period)   the rows' order is the flows'
 *   irr_agg(freq, period, flow)           the aggregate orders the flows by
 *                                         period itself (rows of one period
 *                                         in the order they came), so the
 *                                         executor need not sort every group
 *
 * The transition gathers (period, arrival, flow) in the aggregate's context;
 * the final function puts them in order, calls the module and leaves the
 * state's meaning as it was (the order is by period, then arrival, whatever
 * was sorted before), so that a window frame can go on growing it.
 */
#include "qelfin_pg.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "utils/memutils.h"

typedef struct PeriodFlow
{
	double		period;			/* the arrival number when the rows give the order */
	int32		arrival;
	double		flow;
} PeriodFlow;

typedef struct FlowState
{
	double		leading[2];		/* frequency, or rate and frequency */
	bool		by_period;		/* the flows are put in period order */
	int32		count;
	int32		capacity;
	PeriodFlow *items;
} FlowState;

static bool
same_value(double a, double b)
{
	return (isnan(a) && isnan(b)) || memcmp(&a, &b, sizeof a) == 0;
}

static int
by_period(const void *a, const void *b)
{
	const PeriodFlow *x = (const PeriodFlow *) a;
	const PeriodFlow *y = (const PeriodFlow *) b;

	if (x->period != y->period)
		return x->period < y->period ? -1 : 1;
	return x->arrival < y->arrival ? -1 : (x->arrival > y->arrival);
}

/*
 * Adds one row.  `leading` arguments follow the state, then the period when
 * by_period, then the flow.
 */
static Datum
flows_step(FunctionCallInfo fcinfo, int leading, bool by_period, const char *names)
{
	MemoryContext aggcxt;
	FlowState  *state = PG_ARGISNULL(0) ? NULL : (FlowState *) PG_GETARG_POINTER(0);
	int			flow_arg = leading + 1 + (by_period ? 1 : 0);
	double		lead[2];
	PeriodFlow *item;

	if (!AggCheckCallContext(fcinfo, &aggcxt))
		ereport(ERROR,
				(errcode(ERRCODE_FEATURE_NOT_SUPPORTED),
				 errmsg("a qelfin aggregate transition called outside an aggregate")));
	if (by_period && (PG_ARGISNULL(leading + 1) || isnan(PG_GETARG_FLOAT8(leading + 1))))
		ereport(ERROR,
				(errcode(ERRCODE_NULL_VALUE_NOT_ALLOWED),
				 errmsg("the period of a cash flow must be a number, not NULL or NaN")));
	for (int i = 0; i < leading; i++)
		lead[i] = PG_ARGISNULL(i + 1) ? qelfin_missing() : PG_GETARG_FLOAT8(i + 1);

	if (state == NULL)
	{
		state = (FlowState *) MemoryContextAlloc(aggcxt, sizeof(FlowState));
		memcpy(state->leading, lead, sizeof(double) * leading);
		state->by_period = by_period;
		state->count = 0;
		state->capacity = 64;
		state->items = (PeriodFlow *) MemoryContextAlloc(aggcxt, sizeof(PeriodFlow) * state->capacity);
	}
	else
	{
		for (int i = 0; i < leading; i++)
			if (!same_value(state->leading[i], lead[i]))
				ereport(ERROR,
						(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
						 errmsg("the %s must be the same on every row of an aggregate", names)));
	}
	if (state->count == state->capacity)
	{
		if (state->capacity > PG_INT32_MAX / 2)
			ereport(ERROR,
					(errcode(ERRCODE_PROGRAM_LIMIT_EXCEEDED),
					 errmsg("too many cash flows in one aggregate")));
		state->capacity *= 2;
		state->items = (PeriodFlow *) repalloc_huge(state->items, sizeof(PeriodFlow) * (Size) state->capacity);
	}
	item = &state->items[state->count];
	item->arrival = state->count++;
	item->period = by_period ? PG_GETARG_FLOAT8(leading + 1) : item->arrival;
	item->flow = PG_ARGISNULL(flow_arg) ? qelfin_missing() : PG_GETARG_FLOAT8(flow_arg);
	PG_RETURN_POINTER(state);
}

static Datum
flows_final(FunctionCallInfo fcinfo, int function, int leading)
{
	FlowState  *state;
	QelfinCall *call;
	double	   *args;

	if (PG_ARGISNULL(0))
		PG_RETURN_NULL();
	state = (FlowState *) PG_GETARG_POINTER(0);
	if (state->by_period)
		qsort(state->items, state->count, sizeof(PeriodFlow), by_period);
	call = qelfin_call_site(fcinfo, function, leading + state->count);
	args = qelfin_site_args(call->site);
	memcpy(args, state->leading, sizeof(double) * leading);
	for (int32 i = 0; i < state->count; i++)
		args[leading + i] = state->items[i].flow;
	return qelfin_call_finish(fcinfo, call);
}

/* Transitions: 1 or 2 leading arguments, with or without the period. */
#define QELFIN_STEP(sqlname, leading, by_period, names) \
	PG_FUNCTION_INFO_V1(sqlname); \
	Datum sqlname(PG_FUNCTION_ARGS); \
	Datum sqlname(PG_FUNCTION_ARGS) { return flows_step(fcinfo, leading, by_period, names); }

QELFIN_STEP(qelfin_flows_step1, 1, false, "frequency")
QELFIN_STEP(qelfin_flows_step2, 2, false, "rate and frequency")
QELFIN_STEP(qelfin_period_step1, 1, true, "frequency")
QELFIN_STEP(qelfin_period_step2, 2, true, "rate and frequency")

/* Final functions, one per function; both forms share them. */
#define QELFIN_FINAL(sqlname, function, leading) \
	PG_FUNCTION_INFO_V1(qelfin_##sqlname##_final); \
	Datum qelfin_##sqlname##_final(PG_FUNCTION_ARGS); \
	Datum qelfin_##sqlname##_final(PG_FUNCTION_ARGS) { return flows_final(fcinfo, function, leading); }

QELFIN_FINAL(irr, QF_IRR, 1)
QELFIN_FINAL(intrr, QF_INTRR, 1)
QELFIN_FINAL(npv, QF_NPV, 2)
QELFIN_FINAL(netpv, QF_NETPV, 2)
