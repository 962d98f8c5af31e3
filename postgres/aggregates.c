/*
 * aggregates.c: irr_agg, intrr_agg, npv_agg and netpv_agg over cash flows
 * stored one row per period, in two forms:
 *
 *   irr_agg(freq, flow ORDER BY period)   the rows' order is the flows'
 *                                         order; without an ORDER BY (or a
 *                                         window's ORDER BY) it is refused
 *   irr_agg(freq, period, flow)           the period is the flow's place in
 *                                         time: the series starts at the
 *                                         group's smallest period, a period
 *                                         without a row is a flow of 0, and
 *                                         the flows of one period add up
 *
 * The transition gathers (period, flow) in the aggregate's context and
 * remembers whether they are still in (period, flow) order, as they are
 * when a window frame grows in period order.  The final function sorts
 * them when they are not (the state's meaning stays as it was, so that a
 * frame can go on growing it), lays out the series, and calls the module.
 * The flows of one period are added in ascending order of value, so the
 * figure depends on the rows only and not on their arrival: a parallel
 * plan, whose partial states are combined in any order, gives the bits of
 * the serial one.
 */
#include "qelfin_pg.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "nodes/execnodes.h"
#include "nodes/plannodes.h"
#include "utils/float.h"
#include "utils/lsyscache.h"
#include "utils/memutils.h"

typedef struct PeriodFlow
{
	double		period;			/* the arrival number when the rows give the order */
	double		flow;			/* NaN when missing */
} PeriodFlow;

typedef struct FlowState
{
	double		leading[2];		/* frequency, or rate and frequency */
	int32		nleading;
	bool		by_period;		/* the period is the flow's time */
	bool		sorted;			/* items are in (period, flow) order */
	double		fraction;		/* the first period that is not whole, or 0 */
	int64		count;
	int64		capacity;
	PeriodFlow *items;
	/* A window's series as laid out by the last final call, extended by the next. */
	double	   *series;
	int64		series_capacity;
	int64		laid;			/* items the series covers */
	int64		last_start;		/* first item of the series' last period */
} FlowState;

/* What a serialized state starts with; its items follow. */
typedef struct FlowStateHeader
{
	double		leading[2];
	int32		nleading;
	bool		by_period;
	bool		sorted;
	double		fraction;
	int64		count;
} FlowStateHeader;

/* Leading arguments compare as SQL compares float8: 0 = -0, NaN = NaN. */
static bool
same_value(double a, double b)
{
	return a == b || (isnan(a) && isnan(b));
}

/* Period, then flow by value with missing flows last. */
static int
item_order(const void *a, const void *b)
{
	const PeriodFlow *x = (const PeriodFlow *) a;
	const PeriodFlow *y = (const PeriodFlow *) b;

	if (x->period != y->period)
		return x->period < y->period ? -1 : 1;
	if (isnan(x->flow) || isnan(y->flow))
		return (isnan(x->flow) != 0) - (isnan(y->flow) != 0);
	return x->flow < y->flow ? -1 : (x->flow > y->flow);
}

static MemoryContext
aggregate_context(FunctionCallInfo fcinfo)
{
	MemoryContext aggcxt;

	if (!AggCheckCallContext(fcinfo, &aggcxt))
		ereport(ERROR,
				(errcode(ERRCODE_FEATURE_NOT_SUPPORTED),
				 errmsg("a qelfin aggregate support function called outside an aggregate")));
	return aggcxt;
}

/*
 * The form without a period takes the rows' order: refused when the call
 * has no ORDER BY of its own, or, as a window function, the window none.
 */
static void
require_order(FunctionCallInfo fcinfo, int leading)
{
	const char *args = leading == 1 ? "freq" : "rate, freq";

	if (IsA(fcinfo->context, WindowAggState))
	{
		const char *names = leading == 1 ? "irr_agg and intrr_agg" : "npv_agg and netpv_agg";
		WindowAgg  *plan = (WindowAgg *) ((PlanState *) fcinfo->context)->plan;

		if (plan->ordNumCols > 0)
			return;
		ereport(ERROR,
				(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
				 errmsg("%s without a period take the flows in the window's order, and the window has no ORDER BY", names),
				 errdetail("Without ORDER BY the rows come in no defined order, and so would the flows."),
				 errhint("Give the window an order, OVER (PARTITION BY ... ORDER BY period), or give the period as an "
						 "argument: (%s, period, flow).", args)));
	}
	else
	{
		Aggref	   *aggref = AggGetAggref(fcinfo);
		char	   *name;

		if (aggref == NULL || aggref->aggorder != NIL)
			return;
		name = get_func_name(aggref->aggfnoid);
		ereport(ERROR,
				(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
				 errmsg("%s without a period takes the flows in the order of ORDER BY, and there is none", name),
				 errdetail("Without ORDER BY the rows come in no defined order, and so would the flows."),
				 errhint("Write %s(%s, flow ORDER BY period), or give the period as an argument: %s(%s, period, flow).",
						 name, args, name, args)));
	}
}

static void
append(FlowState *state, double period, double flow)
{
	PeriodFlow *item;

	if (state->count == state->capacity)
	{
		state->capacity *= 2;
		state->items = (PeriodFlow *) repalloc_huge(state->items, sizeof(PeriodFlow) * (Size) state->capacity);
	}
	item = &state->items[state->count];
	item->period = period;
	item->flow = flow;
	if (state->count > 0 && state->sorted && period <= item[-1].period && item_order(item - 1, item) > 0)
		state->sorted = false;
	if (period != floor(period) && state->fraction == 0 && !isinf(period))
		state->fraction = period;
	state->count++;
}

static FlowState *
new_state(MemoryContext aggcxt, const double *leading, int32 nleading, bool by_period, int64 capacity)
{
	FlowState  *state = (FlowState *) MemoryContextAlloc(aggcxt, sizeof(FlowState));

	memcpy(state->leading, leading, sizeof(double) * nleading);
	state->nleading = nleading;
	state->by_period = by_period;
	state->sorted = true;
	state->fraction = 0;
	state->series = NULL;
	state->series_capacity = 0;
	state->laid = 0;
	state->last_start = 0;
	state->count = 0;
	state->capacity = Max(capacity, 16);
	state->items = (PeriodFlow *) MemoryContextAllocHuge(aggcxt, sizeof(PeriodFlow) * (Size) state->capacity);
	return state;
}

static void
require_same_leading(const FlowState *state, const double *leading)
{
	for (int i = 0; i < state->nleading; i++)
		if (!same_value(state->leading[i], leading[i]))
			ereport(ERROR,
					(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
					 errmsg("the %s must be the same on every row of an aggregate",
							state->nleading == 1 ? "frequency" : "rate and frequency"),
					 errdetail("One group's flows are one series, valued at one rate and frequency."),
					 errhint("Group by the rate and frequency, or compute them in a subquery first.")));
}

/*
 * Adds one row.  `leading` arguments follow the state, then the period when
 * by_period, then the flow.
 */
static Datum
flows_step(FunctionCallInfo fcinfo, int leading, bool by_period)
{
	FlowState  *state = PG_ARGISNULL(0) ? NULL : (FlowState *) PG_GETARG_POINTER(0);
	int			flow_arg = leading + 1 + (by_period ? 1 : 0);
	double		lead[2];
	double		period = 0;

	if (by_period)
	{
		if (PG_ARGISNULL(leading + 1) || isnan(PG_GETARG_FLOAT8(leading + 1)))
			ereport(ERROR,
					(errcode(ERRCODE_NULL_VALUE_NOT_ALLOWED),
					 errmsg("the period of a cash flow must be a number, not NULL or NaN"),
					 errhint("Leave out the rows without a period, or give them one.")));
		period = PG_GETARG_FLOAT8(leading + 1);
	}
	for (int i = 0; i < leading; i++)
		lead[i] = PG_ARGISNULL(i + 1) ? qelfin_host_missing() : PG_GETARG_FLOAT8(i + 1);

	if (state == NULL)
	{
		/* Only an aggregate's own state is ever passed in after the first row. */
		MemoryContext aggcxt = aggregate_context(fcinfo);

		if (!by_period)
			require_order(fcinfo, leading);
		state = new_state(aggcxt, lead, leading, by_period, 16);
	}
	else
		require_same_leading(state, lead);
	append(state, by_period ? period : (double) state->count,
		   PG_ARGISNULL(flow_arg) ? get_float8_nan() : PG_GETARG_FLOAT8(flow_arg));
	PG_RETURN_POINTER(state);
}

/*
 * The length of a by-period state's series, one value per period from the
 * first to the last: ERROR when a period is not whole or the span is wider
 * than the function takes, before anything is allocated for it.
 */
static int32
span_of_periods(const FlowState *state, int function)
{
	const char *name = qelfin_host_function_name(function);
	char		agg[32];
	double		first = state->items[0].period;
	double		last = state->items[state->count - 1].period;
	double		limit = qelfin_host_function_leading(function) == 1 /* IRR, INTRR: freq, then the flows */ ? QELFIN_IRR_MAX_FLOWS : QELFIN_NPV_MAX_FLOWS;

	if (state->fraction == 0 && last - first + 1 <= limit)
		return (int32) (last - first + 1);
	snprintf(agg, sizeof agg, "%s_agg", name);
	for (char *c = agg; *c; c++)
		*c = pg_ascii_tolower((unsigned char) *c);
	if (state->fraction != 0)
		ereport(ERROR,
				(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
				 errmsg("%s takes whole periods, and a row has period %.17g", agg, state->fraction),
				 errdetail("The period is the flow's place in time, counted in whole periods of the frequency."),
				 errhint("Give periods as whole numbers (round them, or count months or quarters instead), "
						 "or give the flows in order with %s(..., flow ORDER BY period).", agg)));
	/* Infinite periods fail here too: the span is infinite (or NaN). */
	ereport(ERROR,
			(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
			 errmsg("the periods of %s span %.15g to %.15g, more than the %.0f periods %s takes",
					agg, first, last, limit, name),
			 errdetail("Every period from the first to the last is one flow of the series, 0 where no row has one."),
			 errhint("Count periods from the start of each project, in periods of the frequency (years, months), "
					 "not as dates or seconds.")));
	return 0;
}

/*
 * Writes the series of a sorted state from item `from` on (0, or the first
 * item of the period laid out last, whose sum may have grown): gaps are 0,
 * the flows of one period are added in their sorted order (ascending,
 * missing ones last, which add nothing), a period of missing flows only is
 * missing.  Without a period each row is the next element.
 */
static void
lay_out(FlowState *state, double *series, int64 from)
{
	double		first = state->items[0].period;
	int64		i = from;
	int64		next = state->by_period ? (int64) (state->items[from].period - first) : from;

	if (!state->by_period)
		for (; i < state->count; i++)
			series[next++] = isnan(state->items[i].flow) ? qelfin_host_missing() : state->items[i].flow;
	while (i < state->count)
	{
		double		period = state->items[i].period;
		double		sum = 0.0;
		bool		present = false;

		while (next < (int64) (period - first))
			series[next++] = 0.0;
		state->last_start = i;
		for (; i < state->count && state->items[i].period == period; i++)
		{
			if (isnan(state->items[i].flow))
				continue;
			sum = present ? sum + state->items[i].flow : state->items[i].flow;
			present = true;
		}
		series[next++] = present ? sum : qelfin_host_missing();
	}
	state->laid = state->count;
}

static Datum
flows_final(FunctionCallInfo fcinfo, const char *name)
{
	int			function = qelfin_function_of(name);
	int32		leading = qelfin_host_function_leading(function);
	MemoryContext aggcxt;
	FlowState  *state;
	QelfinCall *call;
	double	   *series;
	int32		length;

	if (PG_ARGISNULL(0))
		PG_RETURN_NULL();
	state = (FlowState *) PG_GETARG_POINTER(0);
	if (!state->sorted)
	{
		qsort(state->items, state->count, sizeof(PeriodFlow), item_order);
		state->sorted = true;
		state->laid = 0;
	}
	if (state->by_period)
		length = span_of_periods(state, function);
	else if (state->count > PG_INT32_MAX - leading)
		ereport(ERROR,
				(errcode(ERRCODE_PROGRAM_LIMIT_EXCEEDED),
				 errmsg("too many cash flows in one aggregate")));
	else
		length = (int32) state->count;

	if (AggCheckCallContext(fcinfo, &aggcxt) == AGG_CONTEXT_WINDOW)
	{
		/* A frame that grows in order: only the new rows are laid out. */
		if (length > state->series_capacity)
		{
			state->series_capacity = Max(length, state->series_capacity * 2);
			state->series = state->series == NULL
				? (double *) MemoryContextAllocHuge(aggcxt, sizeof(double) * (Size) state->series_capacity)
				: (double *) repalloc_huge(state->series, sizeof(double) * (Size) state->series_capacity);
		}
		series = state->series;
		lay_out(state, series, state->laid == 0 ? 0 : state->by_period ? state->last_start : state->laid);
	}
	else
	{
		series = (double *) palloc_extended(sizeof(double) * (Size) Max(length, 1), MCXT_ALLOC_HUGE);
		lay_out(state, series, 0);
	}
	call = qelfin_call_site(fcinfo, function, leading + length);
	qelfin_host_site_bind_list(call->site, series);
	memcpy(qelfin_call_args(call), state->leading, sizeof(double) * leading);
	return qelfin_call_finish(fcinfo, call);
}

/* Parallel aggregation of the by-period form: partial states merged. */
PG_FUNCTION_INFO_V1(qelfin_flows_combine);
Datum		qelfin_flows_combine(PG_FUNCTION_ARGS);
Datum
qelfin_flows_combine(PG_FUNCTION_ARGS)
{
	MemoryContext aggcxt = aggregate_context(fcinfo);
	FlowState  *into = PG_ARGISNULL(0) ? NULL : (FlowState *) PG_GETARG_POINTER(0);
	FlowState  *from = PG_ARGISNULL(1) ? NULL : (FlowState *) PG_GETARG_POINTER(1);
	int64		count;

	if (from == NULL)
		PG_RETURN_POINTER(into);
	if (into == NULL)
	{
		into = new_state(aggcxt, from->leading, from->nleading, from->by_period, from->count);
		into->sorted = from->sorted;
	}
	else
		require_same_leading(into, from->leading);
	if (into->fraction == 0)
		into->fraction = from->fraction;
	count = into->count + from->count;
	if (count > into->capacity)
	{
		into->capacity = Max(count, into->capacity * 2);
		into->items = (PeriodFlow *) repalloc_huge(into->items, sizeof(PeriodFlow) * (Size) into->capacity);
	}
	if (into->count > 0 && from->count > 0 &&
		(!from->sorted || item_order(&into->items[into->count - 1], &from->items[0]) > 0))
		into->sorted = false;
	memcpy(into->items + into->count, from->items, sizeof(PeriodFlow) * (Size) from->count);
	into->count = count;
	PG_RETURN_POINTER(into);
}

PG_FUNCTION_INFO_V1(qelfin_flows_serialize);
Datum		qelfin_flows_serialize(PG_FUNCTION_ARGS);
Datum
qelfin_flows_serialize(PG_FUNCTION_ARGS)
{
	FlowState  *state;
	FlowStateHeader header;
	Size		items;
	bytea	   *out;

	aggregate_context(fcinfo);
	state = (FlowState *) PG_GETARG_POINTER(0);
	items = sizeof(PeriodFlow) * (Size) state->count;
	memset(&header, 0, sizeof header);
	memcpy(header.leading, state->leading, sizeof header.leading);
	header.nleading = state->nleading;
	header.by_period = state->by_period;
	header.fraction = state->fraction;
	header.sorted = state->sorted;
	header.count = state->count;
	out = (bytea *) palloc_extended(VARHDRSZ + sizeof header + items, MCXT_ALLOC_HUGE);
	SET_VARSIZE(out, VARHDRSZ + sizeof header + items);
	memcpy(VARDATA(out), &header, sizeof header);
	memcpy(VARDATA(out) + sizeof header, state->items, items);
	PG_RETURN_BYTEA_P(out);
}

PG_FUNCTION_INFO_V1(qelfin_flows_deserialize);
Datum		qelfin_flows_deserialize(PG_FUNCTION_ARGS);
Datum
qelfin_flows_deserialize(PG_FUNCTION_ARGS)
{
	bytea	   *in;
	FlowStateHeader header;
	FlowState  *state;

	aggregate_context(fcinfo);
	in = PG_GETARG_BYTEA_PP(0);
	memcpy(&header, VARDATA_ANY(in), sizeof header);
	state = new_state(CurrentMemoryContext, header.leading, header.nleading, header.by_period, header.count);
	memcpy(state->items, VARDATA_ANY(in) + sizeof header, sizeof(PeriodFlow) * (Size) header.count);
	state->count = header.count;
	state->fraction = header.fraction;
	state->sorted = header.sorted;
	PG_RETURN_POINTER(state);
}

/* Transitions: 1 or 2 leading arguments, with or without the period. */
#define QELFIN_STEP(sqlname, leading, by_period) \
	PG_FUNCTION_INFO_V1(sqlname); \
	Datum sqlname(PG_FUNCTION_ARGS); \
	Datum sqlname(PG_FUNCTION_ARGS) { return flows_step(fcinfo, leading, by_period); }

QELFIN_STEP(qelfin_flows_step1, 1, false)
QELFIN_STEP(qelfin_flows_step2, 2, false)
QELFIN_STEP(qelfin_period_step1, 1, true)
QELFIN_STEP(qelfin_period_step2, 2, true)

/* Final functions, one per function; both forms share them. */
#define QELFIN_FINAL(sqlname) \
	PG_FUNCTION_INFO_V1(qelfin_##sqlname##_final); \
	Datum qelfin_##sqlname##_final(PG_FUNCTION_ARGS); \
	Datum qelfin_##sqlname##_final(PG_FUNCTION_ARGS) { return flows_final(fcinfo, #sqlname); }

QELFIN_FINAL(irr)
QELFIN_FINAL(intrr)
QELFIN_FINAL(npv)
QELFIN_FINAL(netpv)
