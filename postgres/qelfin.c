/*
 * qelfin.c: the extension's library: the settings qelfin.invalid and
 * qelfin.hints, loading libqelfin.so (installed beside this library) into
 * the backend's host, and the call sites of SQL calls with their hints,
 * notes and refusals.
 */
#include "qelfin_pg.h"

#include <ctype.h>
#include <math.h>

#include "miscadmin.h"
#include "utils/guc.h"
#include "utils/memutils.h"

PG_MODULE_MAGIC;

int			qelfin_invalid = QELFIN_INVALID_NOTICE;
static bool qelfin_hints = true;
static int	qelfin_load_fault = 0;

/* Words that SET takes unquoted ("null" is a keyword; kept as a hidden alias). */
static const struct config_enum_entry invalid_options[] = {
	{"notice", QELFIN_INVALID_NOTICE, false},
	{"silent", QELFIN_INVALID_SILENT, false},
	{"error", QELFIN_INVALID_ERROR, false},
	{"null", QELFIN_INVALID_SILENT, true},
	{NULL, 0, false}
};

static MemoryContext scratch_context = NULL;
static qelfin_host *host = NULL;

void		_PG_init(void);

void
_PG_init(void)
{
	DefineCustomEnumVariable("qelfin.invalid",
							 "What a qelfin call that gives no value reports.",
							 "notice: NULL and a NOTICE (ten per call site); "
							 "silent: NULL only; error: an ERROR.",
							 &qelfin_invalid,
							 QELFIN_INVALID_NOTICE,
							 invalid_options,
							 PGC_USERSET,
							 0,
							 NULL, NULL, NULL);
	DefineCustomBoolVariable("qelfin.hints",
							 "Whether a qelfin call site with a value that looks like a unit slip "
							 "(a percent where a fraction is meant, or the reverse) gives a NOTICE.",
							 NULL,
							 &qelfin_hints,
							 true,
							 PGC_USERSET,
							 0,
							 NULL, NULL, NULL);
	DefineCustomIntVariable("qelfin.load_fault",
							"Makes loading the module fail after this step (testing only; 0: never).",
							NULL,
							&qelfin_load_fault,
							0, 0, 2,
							PGC_SUSET,
							GUC_NO_SHOW_ALL | GUC_NOT_IN_SAMPLE,
							NULL, NULL, NULL);
	MarkGUCPrefixReserved("qelfin");
}

/*
 * Loads the module once.  A failure keeps nothing (the host is made whole
 * or not at all) and the next call tries again; qelfin.load_fault makes
 * loading fail before the host is made (1) or after, before it is kept (2).
 */
qelfin_host *
qelfin_ensure_loaded(void)
{
	char		path[MAXPGPATH];
	char		failure[512];
	qelfin_host_services services;
	qelfin_host *made = NULL;
	qelfin_host_status status = QELFIN_HOST_LOAD_FAILED;

	if (host != NULL)
		return host;
	if (scratch_context == NULL)
		scratch_context = AllocSetContextCreate(TopMemoryContext, "qelfin scratch",
												ALLOCSET_DEFAULT_SIZES);
	snprintf(path, sizeof path, "%s/libqelfin.so", pkglib_path);
	if (qelfin_load_fault != 1)
	{
		qelfin_pg_services(&services, scratch_context);
		status = qelfin_host_create(path, &services, &made, failure, sizeof failure);
	}
	if (qelfin_load_fault == 1 || (status == QELFIN_HOST_OK && qelfin_load_fault == 2))
	{
		if (made != NULL)
			qelfin_host_destroy(made);
		snprintf(failure, sizeof failure, "loading was made to fail after step %d", qelfin_load_fault);
		status = QELFIN_HOST_LOAD_FAILED;
	}
	if (status != QELFIN_HOST_OK)
		ereport(ERROR,
				(errcode(status == QELFIN_HOST_NO_MEMORY ? ERRCODE_OUT_OF_MEMORY : ERRCODE_UNDEFINED_FILE),
				 errmsg("qelfin cannot load its module: %s", failure),
				 errdetail("The module is looked for at \"%s\".", path),
				 errhint("Install the extension with its module beside it (scripts/pg.sh install).")));
	host = made;
	return host;
}

int
qelfin_function_of(const char *name)
{
	int			function = qelfin_host_function_index(name);

	if (function < 0)
		elog(ERROR, "qelfin has no function %s", name);
	return function;
}

static void
release_site(void *arg)
{
	QelfinCall *call = (QelfinCall *) arg;

	if (call->site != NULL)
		qelfin_host_site_destroy(call->site);
	call->site = NULL;
}

static void
out_of_memory(int function)
{
	ereport(ERROR,
			(errcode(ERRCODE_OUT_OF_MEMORY),
			 errmsg("out of memory for a %s call", qelfin_host_function_name(function))));
}

QelfinCall *
qelfin_call_site(FunctionCallInfo fcinfo, int function, int32 arg_count)
{
	QelfinCall *call = (QelfinCall *) fcinfo->flinfo->fn_extra;
	MemoryContext mcxt = fcinfo->flinfo->fn_mcxt;

	if (call == NULL)
	{
		qelfin_host *h = qelfin_ensure_loaded();

		call = (QelfinCall *) MemoryContextAllocZero(mcxt, sizeof(QelfinCall));
		call->function = function;
		call->mcxt = mcxt;
		if (qelfin_host_site_create(h, &call->mcxt, function, arg_count, QELFIN_CALLER_ROWS, &call->site) != QELFIN_HOST_OK)
			out_of_memory(function);
		call->release.func = release_site;
		call->release.arg = call;
		MemoryContextRegisterResetCallback(mcxt, &call->release);
		fcinfo->flinfo->fn_extra = call;
	}
	else if (qelfin_host_site_arg_count(call->site) != arg_count &&
			 qelfin_host_site_resize(call->site, arg_count) != QELFIN_HOST_OK)
		out_of_memory(function);
	return call;
}

double *
qelfin_call_args(QelfinCall *call)
{
	double	   *args = qelfin_host_site_args(call->site);

	if (args == NULL && qelfin_host_site_arg_count(call->site) > 0)
		out_of_memory(call->function);
	call->args = args;
	return args;
}

/* A text of the host's as a sentence: capital first letter, final period. */
static char *
sentence(char *text)
{
	size_t		n = strlen(text);

	text[0] = (char) toupper((unsigned char) text[0]);
	if (n > 0 && n + 1 < 512 && text[n - 1] != '.')
	{
		text[n] = '.';
		text[n + 1] = '\0';
	}
	return text;
}

/* Reports a call that gave no value, as qelfin.invalid says. */
static void
report_refusal(QelfinCall *call, const qelfin_outcome *out)
{
	int			function = call->function;
	char		argument[128];
	char		reason[512];

	if (qelfin_invalid == QELFIN_INVALID_SILENT)
		return;
	if (qelfin_invalid == QELFIN_INVALID_NOTICE && call->refusals > QELFIN_REFUSAL_NOTICES)
		return;
	if (qelfin_invalid == QELFIN_INVALID_NOTICE && call->refusals++ == QELFIN_REFUSAL_NOTICES)
	{
		ereport(NOTICE,
				(errcode(ERRCODE_WARNING),
				 errmsg("%s has reported %d calls that gave no value; no more such notices follow for this call",
						qelfin_host_function_name(function), QELFIN_REFUSAL_NOTICES),
				 errhint("Set qelfin.invalid to silent to turn these notices off, or to error to stop at the first.")));
		return;
	}
	if (out->marked > 0)
		qelfin_host_describe_argument(function, out->marked, argument, sizeof argument);
	else
		snprintf(argument, sizeof argument, "no argument marked");
	qelfin_host_site_reason(call->site, out, reason, sizeof reason - 1);
	ereport(qelfin_invalid == QELFIN_INVALID_ERROR ? ERROR : NOTICE,
			(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
			 errmsg("%s gave no value: %s, %s%s",
					qelfin_host_function_name(function), qelfin_host_status_name(out->status),
					argument, out->marked > 0 ? " invalid" : ""),
			 reason[0] != '\0' ? errdetail("%s", sentence(reason)) : 0,
			 qelfin_invalid == QELFIN_INVALID_ERROR
			 ? errhint("Set qelfin.invalid to notice or silent to get NULL for such calls instead of an error.")
			 : errhint("Set qelfin.invalid to silent for NULL without a notice, or to error to stop the statement.")));
}

/* The unit hint of the site's first fixed argument that looks like a slip. */
static bool
site_hint(QelfinCall *call, char *hint, size_t size)
{
	const double *args = call->args;
	int32		fixed = Min(qelfin_host_function_leading(call->function), qelfin_host_site_arg_count(call->site));

	/* Every row is checked until one draws the hint: the check alone, the text only then. */
	for (int32 i = 0; i < fixed; i++)
		if (qelfin_host_implausible(call->function, i + 1, args[i]) &&
			qelfin_host_hint(call->function, i + 1, args[i], hint, size) > 0)
			return true;
	return false;
}

Datum
qelfin_call_finish(FunctionCallInfo fcinfo, QelfinCall *call)
{
	QelfinCallContext context;
	qelfin_outcome out;

	if (qelfin_hints && !call->hinted)
	{
		char		hint[512];

		if (site_hint(call, hint, sizeof hint))
		{
			call->hinted = true;
			ereport(NOTICE,
					(errcode(ERRCODE_WARNING),
					 errmsg("%s", hint),
					 errdetail("The figure is computed as given; this notice is given once per call site."),
					 errhint("Set qelfin.hints to off to turn these notices off.")));
		}
	}
	context.mcxt = fcinfo->flinfo->fn_mcxt;
	context.note_count = 0;
	out = qelfin_host_site_call(call->site, &context);
	for (int i = 0; i < context.note_count; i++)
		ereport(NOTICE, (errcode(ERRCODE_WARNING), errmsg_internal("%s", context.notes[i])));
	if (out.status != 0)
	{
		report_refusal(call, &out);
		PG_RETURN_NULL();
	}
	if (isnan(out.value))
		PG_RETURN_NULL();
	PG_RETURN_FLOAT8(out.value);
}
