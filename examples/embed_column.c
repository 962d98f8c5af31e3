/*
 * embed_column.c: a C program that embeds the qelfin host, with services of
 * its own, and computes a column: the monthly payment of each loan of a
 * small book (MORT with the payment left missing; the last loan has no
 * payments, and gets the reason), in one column call, then
 * the same loans one call at a time.  It prints the column and exits 1 if
 * the two ways differ in any bit or a service was left holding memory.
 *
 *   embed_column [MODULE]     (default: the module built beside the host)
 */
#include <qelfin/qelfin_host.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The embedding's services: the C heap, with the blocks it holds counted. */
typedef struct Book {
	long		blocks;			/* pool and scratch blocks not yet given back */
	int			notes;
} Book;

static void *
pool_allocate(void *user, void *context, size_t size)
{
	(void) context;
	((Book *) user)->blocks++;
	return malloc(size);
}

static void
pool_release(void *user, void *block)
{
	((Book *) user)->blocks--;
	free(block);
}

static void
note(void *user, void *context, const qelfin_note *n)
{
	(void) context;
	((Book *) user)->notes++;
	fprintf(stderr, "note %d: %s\n", (int) n->id, n->text);
}

int
main(int argc, char **argv)
{
	/* amount, annual rate in percent, months */
	static const double amount[] = {50000, 120000, 8500, 250000, 5000};
	static const double annual[] = {6, 4.75, 9.9, 5.25, 5};
	static const double months[] = {360, 180, 48, 240, 0};
	enum {ROWS = sizeof amount / sizeof amount[0]};
	double		rate[ROWS], payment[ROWS];
	uint32_t	status[ROWS];
	Book		book = {0, 0};
	qelfin_host_services services;
	qelfin_host *host;
	qelfin_site *site;
	char		message[256];
	int			mort, failures = 0;

	memset(&services, 0, sizeof services);
	services.version = QELFIN_HOST_API_VERSION;
	services.size = sizeof services;
	services.user = &book;
	services.pool_allocate = pool_allocate;
	services.pool_release = pool_release;
	services.note = note;
	if (qelfin_host_create(argc > 1 ? argv[1] : NULL, &services, &host, message, sizeof message) != QELFIN_HOST_OK)
	{
		fprintf(stderr, "embed_column: %s\n", message);
		return 2;
	}
	mort = qelfin_host_function_index("mort");
	if (qelfin_host_site_create(host, NULL, mort, 4, QELFIN_CALLER_ROWS, &site) != QELFIN_HOST_OK)
		return 2;

	/* The column: the payment is missing on every row (stride 0). */
	{
		const double missing = qelfin_host_missing();
		qelfin_column columns[4];

		for (int r = 0; r < ROWS; r++)
			rate[r] = annual[r] / 1200;
		columns[0] = (qelfin_column) {amount, 1};
		columns[1] = (qelfin_column) {&missing, 0};
		columns[2] = (qelfin_column) {rate, 1};
		columns[3] = (qelfin_column) {months, 1};
		if (qelfin_host_site_columns(site, NULL, columns, ROWS, payment, status, NULL, NULL) != QELFIN_HOST_OK)
			return 2;
	}

	printf("%s(%s, %s, %s, %s)\n", qelfin_host_function_name(mort), qelfin_host_argument_name(mort, 1),
		   qelfin_host_argument_name(mort, 2), qelfin_host_argument_name(mort, 3), qelfin_host_argument_name(mort, 4));
	for (int r = 0; r < ROWS; r++)
	{
		double	   *args = qelfin_host_site_args(site);
		qelfin_outcome one;

		args[0] = amount[r];
		args[1] = qelfin_host_missing();
		args[2] = rate[r];
		args[3] = months[r];
		one = qelfin_host_site_call(site, NULL);
		if (status[r] == 0)
			printf("%.2f\n", payment[r]);
		else
		{
			qelfin_host_site_reason(site, &one, message, sizeof message);
			printf("no value: %s: %s\n", qelfin_host_status_name(one.status), message);
		}
		if (one.status != status[r] || memcmp(&one.value, &payment[r], sizeof(double)) != 0)
		{
			fprintf(stderr, "embed_column: row %d differs between the column and the single call\n", r);
			failures++;
		}
	}
	qelfin_host_site_destroy(site);
	qelfin_host_destroy(host);
	if (book.blocks != 0)
	{
		fprintf(stderr, "embed_column: %ld blocks of the pool were not given back\n", book.blocks);
		failures++;
	}
	return failures == 0 ? 0 : 1;
}
