/*
 * aggregates.c: irr_agg, intrr_agg, npv_agg and netpv_agg over cash flows
 * stored one row per period.  The transition gathers the flows in the
 * aggregate's context, in the order the rows arrive (ORDER BY period);
 * the final function calls the module on them and leaves the state as it
 * was, so that a window frame can go on growing it.
 */
#include "qelfin_pg.h"

#include <math.h>
#include <string.h>

#include "utils/memutils.h"

/* The leading arguments (frequency, or rate and frequency) and the flows. */
typedef struct FlowState
{
	double		leading[2];
	int32		count;
	int32		capacity;
	double	   *flows;
} FlowState;

static bool
same_value(double a, double b)
{
	return (isnan(a) && isnan(b)) || memcmp(&a, &b, sizeof a) == 0;
}

/* The leading arguments of this row (NULL is the missing value). */
void
qelfin_read_leading(FunctionCallInfo fcinfo, int leading, double *lead)
{
	for (int i = 0; i < leading; i++)
		lead[i] = PG_ARGISNULL(i + 1) ? qelfin_missing() : PG_GETARG_FLOAT8(i + 1);
}

/* The leading arguments must be those of the group's first row. */
void
qelfin_check_leading(const double *first, const double *lead, int leading, const char *names)
{
	for (int i = 0; i < leading; i++)
		if (!same_value(first[i], lead[i]))
			ereport(ERROR,
					(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
					 errmsg("the %s must be the same on every row of an aggregate", names)));
}

static Datum
flows_step(FunctionCallInfo fcinfo, int leading, const char *names)
{
	MemoryContext aggcxt;
	FlowState  *state = PG_ARGISNULL(0) ? NULL : (FlowState *) PG_GETARG_POINTER(0);
	double		lead[2];
	double		flow = PG_ARGISNULL(leading + 1) ? qelfin_missing() : PG_GETARG_FLOAT8(leading + 1);

	if (!AggCheckCallContext(fcinfo, &aggcxt))
		ereport(ERROR,
				(errcode(ERRCODE_FEATURE_NOT_SUPPORTED),
				 errmsg("a qelfin aggregate transition called outside an aggregate")));
	qelfin_read_leading(fcinfo, leading, lead);

	if (state == NULL)
	{
		state = (FlowState *) MemoryContextAlloc(aggcxt, sizeof(FlowState));
		memcpy(state->leading, lead, sizeof(double) * leading);
		state->count = 0;
		state->capacity = 64;
		state->flows = (double *) MemoryContextAlloc(aggcxt, sizeof(double) * state->capacity);
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
		state->flows = (double *) repalloc_huge(state->flows, sizeof(double) * (Size) state->capacity);
	}
	state->flows[state->count++] = flow;
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
	call = qelfin_call_site(fcinfo, function, leading + state->count);
	args = qelfin_site_args(call->site);
	memcpy(args, state->leading, sizeof(double) * leading);
	memcpy(args + leading, state->flows, sizeof(double) * state->count);
	return qelfin_call_finish(fcinfo, call);
}

PG_FUNCTION_INFO_V1(qelfin_flows_step1);
Datum		qelfin_flows_step1(PG_FUNCTION_ARGS);
Datum
qelfin_flows_step1(PG_FUNCTION_ARGS)
{
	return flows_step(fcinfo, 1, "frequency");
}

PG_FUNCTION_INFO_V1(qelfin_flows_step2);
Datum		qelfin_flows_step2(PG_FUNCTION_ARGS);
Datum
qelfin_flows_step2(PG_FUNCTION_ARGS)
{
	return flows_step(fcinfo, 2, "rate and frequency");
}

#define QELFIN_FINAL(sqlname, function, leading) \
	PG_FUNCTION_INFO_V1(qelfin_##sqlname##_final); \
	Datum qelfin_##sqlname##_final(PG_FUNCTION_ARGS); \
	Datum qelfin_##sqlname##_final(PG_FUNCTION_ARGS) { return flows_final(fcinfo, function, leading); }

QELFIN_FINAL(irr, QF_IRR, 1)
QELFIN_FINAL(intrr, QF_INTRR, 1)
QELFIN_FINAL(npv, QF_NPV, 2)
QELFIN_FINAL(netpv, QF_NETPV, 2)
