/*
 * schedules.c: mort_schedule and depreciation_schedule, set-returning
 * functions over the host library's schedules (one row a period, so they
 * work in LATERAL joins over a table of loans or assets), and irr_rates,
 * every rate of return as an array.  A NULL or NaN argument is the missing
 * value; decimals NULL gives the module's figures unrounded.  A request
 * that gives no schedule or no rates follows qelfin.invalid: no rows (NULL
 * for irr_rates) and a NOTICE with the reason, ten per call site, no
 * NOTICE, or ERROR 22023.
 */
#include "qelfin_pg.h"

#include "catalog/pg_type.h"
#include "funcapi.h"
#include "utils/array.h"
#include "utils/builtins.h"

#define REASON_LEN 512

/* Reports a refusal of `what` as qelfin.invalid says. */
static void
refused(FunctionCallInfo fcinfo, qelfin_host_status rc, const char *what, const char *reason)
{
	int		   *count = (int *) fcinfo->flinfo->fn_extra;

	if (rc == QELFIN_HOST_NO_MEMORY)
		ereport(ERROR, (errcode(ERRCODE_OUT_OF_MEMORY), errmsg("out of memory in %s", what)));
	if (qelfin_invalid == QELFIN_INVALID_ERROR)
		ereport(ERROR, (errcode(ERRCODE_INVALID_PARAMETER_VALUE), errmsg("%s: %s", what, reason)));
	if (qelfin_invalid == QELFIN_INVALID_SILENT)
		return;
	if (count == NULL)
		fcinfo->flinfo->fn_extra = count = MemoryContextAllocZero(fcinfo->flinfo->fn_mcxt, sizeof(int));
	if (++*count <= QELFIN_REFUSAL_NOTICES)
		ereport(NOTICE, (errmsg("%s: %s", what, reason),
						 *count == QELFIN_REFUSAL_NOTICES
						 ? errdetail("No more of these notices follow from this call site.") : 0));
}

static double
number_or_missing(FunctionCallInfo fcinfo, int i)
{
	return PG_ARGISNULL(i) ? qelfin_host_missing() : PG_GETARG_FLOAT8(i);
}

static int
decimals_of(FunctionCallInfo fcinfo, int i)
{
	int			d = PG_ARGISNULL(i) ? -1 : PG_GETARG_INT32(i);

	if (!PG_ARGISNULL(i) && (d < 0 || d > 15))
		ereport(ERROR, (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
						errmsg("decimals must be from 0 to 15 or NULL (unrounded), not %d", d)));
	return d;
}

/* A float8 array's elements, NULL elements missing; *count of them. */
static double *
array_values(ArrayType *array, int *count)
{
	Datum	   *elements;
	bool	   *nulls;
	double	   *values;

	if (ARR_NDIM(array) > 1)
		ereport(ERROR, (errcode(ERRCODE_ARRAY_SUBSCRIPT_ERROR),
						errmsg("a list of cash flows or fractions is a one-dimensional array")));
	deconstruct_array(array, FLOAT8OID, sizeof(float8), FLOAT8PASSBYVAL, TYPALIGN_DOUBLE,
					  &elements, &nulls, count);
	values = palloc(sizeof(double) * (*count + 1));
	for (int i = 0; i < *count; i++)
		values[i] = nulls[i] ? qelfin_host_missing() : DatumGetFloat8(elements[i]);
	return values;
}

/* The table's rows into the set the call returns (the period as int4), or
 * the refusal. */
static Datum
put_rows(FunctionCallInfo fcinfo, qelfin_host_status rc, const char *what, const char *reason,
		 const qelfin_table *table)
{
	ReturnSetInfo *rsinfo = (ReturnSetInfo *) fcinfo->resultinfo;
	Datum		values[8];
	bool		nulls[8] = {false};

	if (rc != QELFIN_HOST_OK)
	{
		refused(fcinfo, rc, what, reason);
		return (Datum) 0;
	}
	for (int r = 0; r < table->rows; r++)
	{
		const double *row = table->cells + (Size) r * table->width;

		values[0] = Int32GetDatum((int32) row[0]);
		for (int c = 1; c < table->width; c++)
			values[c] = Float8GetDatum(row[c]);
		tuplestore_putvalues(rsinfo->setResult, rsinfo->setDesc, values, nulls);
	}
	return (Datum) 0;
}

PG_FUNCTION_INFO_V1(qelfin_mort_schedule);
Datum		qelfin_mort_schedule(PG_FUNCTION_ARGS);
Datum
qelfin_mort_schedule(PG_FUNCTION_ARGS)
{
	double		args[4];
	qelfin_table table;
	char		reason[REASON_LEN] = "";
	qelfin_host_status rc;
	int			decimals = decimals_of(fcinfo, 4);
	QelfinCallContext context = {.mcxt = CurrentMemoryContext};
	qelfin_host *host;

	InitMaterializedSRF(fcinfo, 0);
	host = qelfin_ensure_loaded();
	for (int i = 0; i < 4; i++)
		args[i] = number_or_missing(fcinfo, i);
	rc = qelfin_host_loan_schedule(host, &context, args, decimals, &table, reason, sizeof reason);
	return put_rows(fcinfo, rc, "mort_schedule", reason, &table);
}

PG_FUNCTION_INFO_V1(qelfin_depreciation_schedule);
Datum		qelfin_depreciation_schedule(PG_FUNCTION_ARGS);
Datum
qelfin_depreciation_schedule(PG_FUNCTION_ARGS)
{
	/* method, value, life, factor, fractions, decimals */
	char	   *method;
	double	   *args;
	int			count = 0;
	qelfin_table table;
	char		reason[REASON_LEN] = "";
	qelfin_host_status rc;
	int			decimals = decimals_of(fcinfo, 5);
	QelfinCallContext context = {.mcxt = CurrentMemoryContext};
	qelfin_host *host;

	InitMaterializedSRF(fcinfo, 0);
	if (PG_ARGISNULL(0))
		ereport(ERROR, (errcode(ERRCODE_NULL_VALUE_NOT_ALLOWED),
						errmsg("depreciation_schedule needs a method: DB, DBSL, SL, SYD or TAB")));
	host = qelfin_ensure_loaded();
	method = text_to_cstring(PG_GETARG_TEXT_PP(0));
	if (!PG_ARGISNULL(4))
	{
		/* TAB: the value, then the fractions. */
		double	   *fractions = array_values(PG_GETARG_ARRAYTYPE_P(4), &count);

		args = palloc(sizeof(double) * (count + 1));
		args[0] = number_or_missing(fcinfo, 1);
		memcpy(args + 1, fractions, sizeof(double) * count);
		count += 1;
	}
	else
	{
		args = palloc(sizeof(double) * 3);
		args[0] = number_or_missing(fcinfo, 1);
		args[1] = number_or_missing(fcinfo, 2);
		args[2] = number_or_missing(fcinfo, 3);
		count = PG_ARGISNULL(3) ? 2 : 3;
	}
	rc = qelfin_host_depreciation_schedule(host, &context, method, args, count, decimals, &table, reason,
										   sizeof reason);
	return put_rows(fcinfo, rc, "depreciation_schedule", reason, &table);
}

PG_FUNCTION_INFO_V1(qelfin_irr_rates);
Datum		qelfin_irr_rates(PG_FUNCTION_ARGS);
Datum
qelfin_irr_rates(PG_FUNCTION_ARGS)
{
	int			count = 0;
	double	   *flows;
	double	   *rates = NULL;
	int32		rate_count = 0;
	QelfinCallContext context = {.mcxt = CurrentMemoryContext};
	qelfin_host *host;
	char		reason[REASON_LEN] = "";
	qelfin_host_status rc;
	Datum	   *elements;

	if (PG_ARGISNULL(1))
		PG_RETURN_NULL();
	host = qelfin_ensure_loaded();
	flows = array_values(PG_GETARG_ARRAYTYPE_P(1), &count);
	rc = qelfin_host_irr_rates(host, &context, number_or_missing(fcinfo, 0), flows, count, &rates, &rate_count,
							   reason, sizeof reason);
	if (rc != QELFIN_HOST_OK)
	{
		refused(fcinfo, rc, "irr_rates", reason);
		PG_RETURN_NULL();
	}
	elements = palloc(sizeof(Datum) * (rate_count + 1));
	for (int i = 0; i < rate_count; i++)
		elements[i] = Float8GetDatum(rates[i]);
	PG_RETURN_ARRAYTYPE_P(construct_array(elements, rate_count, FLOAT8OID, sizeof(float8), FLOAT8PASSBYVAL,
										  TYPALIGN_DOUBLE));
}
