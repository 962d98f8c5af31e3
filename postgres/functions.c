/*
 * functions.c: the seventeen SQL functions.  A NULL argument, or a NaN, is
 * the module's missing value; a NULL array of a series function is an empty
 * list and a NULL element a missing entry of it.  The elements of an array
 * without NULLs are read where they are, not copied.  Each function's
 * arguments (how many, whether a list follows) come from the host's
 * catalogue; the one list below names the SQL functions' symbols.
 */
#include "qelfin_pg.h"

#include "catalog/pg_type.h"
#include "utils/array.h"

static Datum
call_fixed(FunctionCallInfo fcinfo, int function, int32 arg_count)
{
	QelfinCall *call = qelfin_call_site(fcinfo, function, arg_count);
	double	   *args = qelfin_call_args(call);
	double		missing = qelfin_host_missing();

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
	double		missing = qelfin_host_missing();

	if (list != NULL && ARR_ELEMTYPE(list) != FLOAT8OID)
		ereport(ERROR,
				(errcode(ERRCODE_DATATYPE_MISMATCH),
				 errmsg("%s takes a float8 array", qelfin_host_function_name(function))));
	if (list != NULL && ARR_NDIM(list) > 1)
		ereport(ERROR,
				(errcode(ERRCODE_ARRAY_SUBSCRIPT_ERROR),
				 errmsg("%s takes a one-dimensional array, not one of %d dimensions",
						qelfin_host_function_name(function), ARR_NDIM(list)),
				 errdetail("A series is one list of values in order; an array of several dimensions has no one order."),
				 errhint("Pass one row of the array, or flatten it in the order meant (for example with unnest).")));
	if (count > PG_INT32_MAX - leading)
		ereport(ERROR,
				(errcode(ERRCODE_PROGRAM_LIMIT_EXCEEDED),
				 errmsg("too many values for %s", qelfin_host_function_name(function))));
	call = qelfin_call_site(fcinfo, function, leading + count);
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
		qelfin_host_site_bind_list(call->site, data);
	}
	/* After the bind: the list's elements are read where they are, never copied. */
	args = qelfin_call_args(call);
	for (int i = 0; i < leading; i++)
		args[i] = PG_ARGISNULL(i) ? missing : PG_GETARG_FLOAT8(i);
	return qelfin_call_finish(fcinfo, call);
}

/* The function of the SQL function `name`, as the catalogue describes it. */
static Datum
call_function(FunctionCallInfo fcinfo, const char *name)
{
	QelfinCall *call = (QelfinCall *) fcinfo->flinfo->fn_extra;
	int			function = call ? call->function : qelfin_function_of(name);
	int32		leading = qelfin_host_function_leading(function);

	if (qelfin_host_function_series(function))
		return call_series(fcinfo, function, leading);
	return call_fixed(fcinfo, function, leading);
}

#define QELFIN_SQL_FUNCTION(sqlname) \
	PG_FUNCTION_INFO_V1(qelfin_##sqlname); \
	Datum qelfin_##sqlname(PG_FUNCTION_ARGS); \
	Datum qelfin_##sqlname(PG_FUNCTION_ARGS) { return call_function(fcinfo, #sqlname); }

QELFIN_SQL_FUNCTION(compound)
QELFIN_SQL_FUNCTION(mort)
QELFIN_SQL_FUNCTION(saving)
QELFIN_SQL_FUNCTION(npv)
QELFIN_SQL_FUNCTION(netpv)
QELFIN_SQL_FUNCTION(irr)
QELFIN_SQL_FUNCTION(intrr)
QELFIN_SQL_FUNCTION(daccdb)
QELFIN_SQL_FUNCTION(daccdbsl)
QELFIN_SQL_FUNCTION(daccsl)
QELFIN_SQL_FUNCTION(daccsyd)
QELFIN_SQL_FUNCTION(depdb)
QELFIN_SQL_FUNCTION(depdbsl)
QELFIN_SQL_FUNCTION(depsl)
QELFIN_SQL_FUNCTION(depsyd)
QELFIN_SQL_FUNCTION(dacctab)
QELFIN_SQL_FUNCTION(deptab)
