/* exp, log and pow as the module sees them in the cross-build runner, which
 * exports them: each call is counted, forwarded to libm, and its result may
 * be moved by one ulp (no <math.h>: these define the names it declares). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdlib.h>

double nextafter(double, double);

long qelfin_libm_calls = 0; /* calls since the runner last cleared it */
/* 0: results as libm gives them; +1: one ulp up; -1: one ulp down;
 * 2: alternately up and down, call by call (so that differences between
 * two results cannot cancel as they may when all move the same way) */
int qelfin_libm_nudge = 0;

static void* real(const char* name) {
    void* f = dlsym(RTLD_NEXT, name);
    if (f == NULL) abort();
    return f;
}

/* One ulp towards +infinity or -infinity; NaNs and infinities stay. */
static double nudge(double r) {
    const int up = qelfin_libm_nudge == 2 ? (qelfin_libm_calls & 1) != 0 : qelfin_libm_nudge > 0;
    if (qelfin_libm_nudge == 0 || r != r || r - r != 0) return r;
    return nextafter(r, up ? __builtin_inf() : -__builtin_inf());
}

#define QELFIN_PROBE(name, params, args)               \
    double name params {                               \
        static double(*f) params;                      \
        if (f == NULL) f = (double(*) params)real(#name);    \
        ++qelfin_libm_calls;                           \
        return nudge(f args);                          \
    }
QELFIN_PROBE(exp, (double x), (x))
QELFIN_PROBE(log, (double x), (x))
QELFIN_PROBE(pow, (double x, double y), (x, y))
