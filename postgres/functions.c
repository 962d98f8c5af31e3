/*
 * functions.c: the seventeen SQL functions.  A NULL argument, or a NaN, is
 * the module's missing value; a NULL array of a series function is an empty
 * list and a NULL element a missing entry of it.  The elements of an array
 * without NULLs are read where they are, not copied.
 */
#include "qelfin_pg.h"

#include "catalog/pg_type.h"
#include "utils/array.h"

static Datum
call_fixed(FunctionCallInfo fcinfo, int function, int32 arg_count)
{
	QelfinCall *call = qelfin_call_site(fcinfo, function, arg_count);
	double	   *args = qelfin_site_args(call->site);
	double		missing = qelfin_missing();

	for (int i = 0; i < arg_count; i++)
		args[i] = PG_ARGISNULL(i) ? missing : PG_GETARG_FLOAT8(i);
	return qelfin_call_finish(fcinfo, call);
}

/* `leading` fixed arguments, then the list as a one-dimensional float8 array. */
static Datum
call_series(FunctionCallInfo fcinfo, int function, int32 leading)
{
	ArrayType  *list = PG_ARGISNULL(leading) ? NULL : PG_GETARG_ARRAYTYPE_P(leading);
	int			count = list ? ArrayGetNItems(ARR_NDIM(list), ARR_DIMS(list)) : 0;
	QelfinCall *call;
	double	   *args;
	double		missing = qelfin_missing();

	if (list != NULL && ARR_ELEMTYPE(list) != FLOAT8OID)
		ereport(ERROR,
				(errcode(ERRCODE_DATATYPE_MISMATCH),
				 errmsg("%s takes a float8 array", qelfin_function_name(function))));
	if (list != NULL && ARR_NDIM(list) > 1)
		ereport(ERROR,
				(errcode(ERRCODE_ARRAY_SUBSCRIPT_ERROR),
				 errmsg("%s takes a one-dimensional array, not one of %d dimensions",
						qelfin_function_name(function), ARR_NDIM(list)),
				 errdetail("A series is one list of values in order; an array of several dimensions has no one order."),
				 errhint("Pass one row of the array, or flatten it in the order meant (for example with unnest).")));
	if (count > PG_INT32_MAX - leading)
		ereport(ERROR,
				(errcode(ERRCODE_PROGRAM_LIMIT_EXCEEDED),
				 errmsg("too many values for %s", qelfin_function_name(function))));
	call = qelfin_call_site(fcinfo, function, leading + count);
	args = qelfin_site_args(call->site);
	for (int i = 0; i < leading; i++)
		args[i] = PG_ARGISNULL(i) ? missing : PG_GETARG_FLOAT8(i);
	if (count > 0)
	{
		const double *data = (const double *) ARR_DATA_PTR(list);
		const bits8 *nulls = ARR_NULLBITMAP(list);

		if (nulls != NULL)
		{
			/* NULL elements take no room in the array: spread out, in this row's context. */
			double	   *spread = (double *) palloc_extended(sizeof(double) * (Size) count, MCXT_ALLOC_HUGE);

			for (int i = 0; i < count; i++)
				spread[i] = (nulls[i / 8] & (1 << (i % 8))) ? *data++ : missing;
			data = spread;
		}
		qelfin_site_bind_list(call->site, data);
	}
	return qelfin_call_finish(fcinfo, call);
}

#define QELFIN_FIXED(sqlname, function, arg_count) \
	PG_FUNCTION_INFO_V1(qelfin_##sqlname); \
	Datum qelfin_##sqlname(PG_FUNCTION_ARGS); \
	Datum qelfin_##sqlname(PG_FUNCTION_ARGS) { return call_fixed(fcinfo, function, arg_count); }

#define QELFIN_SERIES(sqlname, function, leading) \
	PG_FUNCTION_INFO_V1(qelfin_##sqlname); \
	Datum qelfin_##sqlname(PG_FUNCTION_ARGS); \
	Datum qelfin_##sqlname(PG_FUNCTION_ARGS) { return call_series(fcinfo, function, leading); }

QELFIN_FIXED(compound, QF_COMPOUND, 4)
QELFIN_FIXED(mort, QF_MORT, 4)
QELFIN_FIXED(saving, QF_SAVING, 4)
QELFIN_SERIES(npv, QF_NPV, 2)
QELFIN_SERIES(netpv, QF_NETPV, 2)
QELFIN_SERIES(irr, QF_IRR, 1)
QELFIN_SERIES(intrr, QF_INTRR, 1)
QELFIN_FIXED(daccdb, QF_DACCDB, 4)
QELFIN_FIXED(daccdbsl, QF_DACCDBSL, 4)
QELFIN_FIXED(daccsl, QF_DACCSL, 3)
QELFIN_FIXED(daccsyd, QF_DACCSYD, 3)
QELFIN_FIXED(depdb, QF_DEPDB, 4)
QELFIN_FIXED(depdbsl, QF_DEPDBSL, 4)
QELFIN_FIXED(depsl, QF_DEPSL, 3)
QELFIN_FIXED(depsyd, QF_DEPSYD, 3)
QELFIN_SERIES(dacctab, QF_DACCTAB, 2)
QELFIN_SERIES(deptab, QF_DEPTAB, 2)
