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
static bool loaded = false;

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
							0, 0, 3,
							PGC_SUSET,
							GUC_NO_SHOW_ALL | GUC_NOT_IN_SAMPLE,
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
	failure = qelfin_bridge_load(path, scratch_context, qelfin_load_fault);
	if (failure != NULL)
		ereport(ERROR,
				(errcode(ERRCODE_UNDEFINED_FILE),
				 errmsg("qelfin cannot load its module: %s", failure),
				 errdetail("The module is looked for at \"%s\".", path),
				 errhint("Install the extension with its module beside it (scripts/pg.sh install).")));
	loaded = true;
}

static void
release_site(void *arg)
{
	QelfinCall *call = (QelfinCall *) arg;

	if (call->site != NULL)
		qelfin_site_destroy(call->site);
	call->site = NULL;
}

static void
out_of_memory(int function)
{
	ereport(ERROR,
			(errcode(ERRCODE_OUT_OF_MEMORY),
			 errmsg("out of memory for a %s call", qelfin_function_name(function))));
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
			out_of_memory(function);
		call->release.func = release_site;
		call->release.arg = call;
		MemoryContextRegisterResetCallback(mcxt, &call->release);
		fcinfo->flinfo->fn_extra = call;
	}
	else if (qelfin_site_arg_count(call->site) != arg_count)
	{
		QelfinSite *resized = qelfin_site_resize(call->site, arg_count);

		if (resized == NULL)
			out_of_memory(function);
		call->site = resized;
	}
	return call;
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
report_refusal(QelfinCall *call, const QelfinOutcome *out)
{
	int			function = qelfin_site_function(call->site);
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
						qelfin_function_name(function), QELFIN_REFUSAL_NOTICES),
				 errhint("Set qelfin.invalid to silent to turn these notices off, or to error to stop at the first.")));
		return;
	}
	if (out->marked > 0)
		qelfin_describe_argument(function, out->marked, argument, sizeof argument);
	else
		snprintf(argument, sizeof argument, "no argument marked");
	qelfin_site_reason(call->site, out, reason, sizeof reason - 1);
	ereport(qelfin_invalid == QELFIN_INVALID_ERROR ? ERROR : NOTICE,
			(errcode(ERRCODE_INVALID_PARAMETER_VALUE),
			 errmsg("%s gave no value: %s, %s%s",
					qelfin_function_name(function), qelfin_status_name(out->status),
					argument, out->marked > 0 ? " invalid" : ""),
			 reason[0] != '\0' ? errdetail("%s", sentence(reason)) : 0,
			 qelfin_invalid == QELFIN_INVALID_ERROR
			 ? errhint("Set qelfin.invalid to notice or silent to get NULL for such calls instead of an error.")
			 : errhint("Set qelfin.invalid to silent for NULL without a notice, or to error to stop the statement.")));
}

Datum
qelfin_call_finish(FunctionCallInfo fcinfo, QelfinCall *call)
{
	QelfinOutcome out;

	if (qelfin_hints && !call->hinted)
	{
		char		hint[512];

		if (qelfin_site_hint(call->site, hint, sizeof hint))
		{
			call->hinted = true;
			ereport(NOTICE,
					(errcode(ERRCODE_WARNING),
					 errmsg("%s", hint),
					 errdetail("The figure is computed as given; this notice is given once per call site."),
					 errhint("Set qelfin.hints to off to turn these notices off.")));
		}
	}
	qelfin_site_call(call->site, &out);
	for (int i = 0; i < out.note_count; i++)
		ereport(NOTICE, (errcode(ERRCODE_WARNING), errmsg_internal("%s", out.notes[i])));
	if (out.status != 0)
	{
		report_refusal(call, &out);
		PG_RETURN_NULL();
	}
	if (isnan(out.value))
		PG_RETURN_NULL();
	PG_RETURN_FLOAT8(out.value);
}
