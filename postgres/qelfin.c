/*
 * qelfin.c: the extension's library: the setting qelfin.invalid, loading
 * libqelfin.so (installed beside this library) into the backend's host,
 * and the call sites of SQL calls with their notes and refusals.
 */
#include "qelfin_pg.h"

#include <math.h>

#include "miscadmin.h"
#include "utils/guc.h"
#include "utils/memutils.h"

PG_MODULE_MAGIC;

int			qelfin_invalid = QELFIN_INVALID_NOTICE;

static const struct config_enum_entry invalid_options[] = {
	{"notice", QELFIN_INVALID_NOTICE, false},
	{"null", QELFIN_INVALID_NULL, false},
	{"error", QELFIN_INVALID_ERROR, false},
	{NULL, 0, false}
};

static MemoryContext scratch_context = NULL;
static bool loaded = false;

void		_PG_init(void);

void
_PG_init(void)
{
	DefineCustomEnumVariable("qelfin.invalid",
							 "What a qelfin call that gives no value reports.",
							 "notice: NULL and a NOTICE (ten per call site); "
							 "null: NULL only; error: an ERROR.",
							 &qelfin_invalid,
							 QELFIN_INVALID_NOTICE,
							 invalid_options,
							 PGC_USERSET,
							 0,
							 NULL, NULL, NULL);
	MarkGUCPrefixReserved("qelfin");
}

void
qelfin_ensure_loaded(void)
{
	char		path[MAXPGPATH];
	const char *failure;

	if (loaded)
		return;
	if (scratch_context == NULL)
		scratch_context = AllocSetContextCreate(TopMemoryContext, "qelfin scratch",
												ALLOCSET_DEFAULT_SIZES);
	snprintf(path, sizeof path, "%s/libqelfin.so", pkglib_path);
	failure = qelfin_bridge_load(path, scratch_context);
	if (failure != NULL)
		ereport(ERROR,
				(errcode(ERRCODE_UNDEFINED_FILE),
				 errmsg("qelfin cannot load its module: %s", failure)));
	loaded = true;
}

static void
release_site(void *arg)
{
	QelfinCall *call = (QelfinCall *) arg;

	qelfin_site_destroy(call->site);
	call->site = NULL;
}

QelfinCall *
qelfin_call_site(FunctionCallInfo fcinfo, int function, int32 arg_count)
{
	QelfinCall *call = (QelfinCall *) fcinfo->flinfo->fn_extra;
	MemoryContext mcxt = fcinfo->flinfo->fn_mcxt;

	if (call == NULL)
	{
		qelfin_ensure_loaded();
		call = (QelfinCall *) MemoryContextAllocZero(mcxt, sizeof(QelfinCall));
		call->site = qelfin_site_create(function, arg_count, mcxt);
		if (call->site == NULL)
			ereport(ERROR,
					(errcode(ERRCODE_OUT_OF_MEMORY),
					 errmsg("out of memory for a %s call", qelfin_function_name(function))));
		call->release.func = release_site;
		call->release.arg = call;
		MemoryContextRegisterResetCallback(mcxt, &call->release);
		fcinfo->flinfo->fn_extra = call;
	}
	else if (qelfin_site_arg_count(call->site) != arg_count)
	{
		QelfinSite *resized = qelfin_site_resize(call->site, arg_count);

		if (resized == NULL)
			ereport(ERROR,
					(errcode(ERRCODE_OUT_OF_MEMORY),
					 errmsg("out of memory for a %s call", qelfin_function_name(function))));
		call->site = resized;
	}
	return call;
}

/* Reports a call that gave no value, as qelfin.invalid says. */
static void
report_refusal(QelfinCall *call, const QelfinOutcome *out)
{
	int			function = qelfin_site_function(call->site);
	char		argument[128];
	char		reason[512];

	if (qelfin_invalid == QELFIN_INVALID_NULL)
		return;
	if (qelfin_invalid == QELFIN_INVALID_NOTICE && call->refusals > QELFIN_REFUSAL_NOTICES)
		return;
	if (qelfin_invalid == QELFIN_INVALID_NOTICE && call->refusals++ == QELFIN_REFUSAL_NOTICES)
	{
		ereport(NOTICE,
				(errmsg("%s has reported %d calls that gave no value; no more such notices follow for this call",
						qelfin_function_name(function), QELFIN_REFUSAL_NOTICES)));
		return;
	}
	if (out->marked > 0)
		qelfin_describe_argument(function, out->marked, argument, sizeof argument);
	else
		snprintf(argument, sizeof argument, "no argument marked");
	qelfin_site_reason(call->site, out, reason, sizeof reason);
	ereport(qelfin_invalid == QELFIN_INVALID_ERROR ? ERROR : NOTICE,
			(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
			 errmsg("%s gave no value: %s, %s%s",
					qelfin_function_name(function), qelfin_status_name(out->status),
					argument, out->marked > 0 ? " invalid" : ""),
			 reason[0] != '\0' ? errdetail("%s", reason) : 0));
}

Datum
qelfin_call_finish(FunctionCallInfo fcinfo, QelfinCall *call)
{
	QelfinOutcome out;

	qelfin_site_call(call->site, &out);
	for (int i = 0; i < out.note_count; i++)
		ereport(NOTICE, (errmsg_internal("%s", out.notes[i])));
	if (out.status != 0)
	{
		report_refusal(call, &out);
		PG_RETURN_NULL();
	}
	if (isnan(out.value))
		PG_RETURN_NULL();
	PG_RETURN_FLOAT8(out.value);
}
