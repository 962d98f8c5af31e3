/* exp, log and pow as the module sees them when the cross-build runner
 * loads it.  The runner exports these definitions (it is linked with
 * ENABLE_EXPORTS), so the module's calls bind here rather than to libm:
 * each call is counted, forwarded to libm, and its result may be moved by
 * one unit in the last place.  The runner uses this to learn, call by call,
 * whether a result depends on the math library at all and how strongly:
 * it repeats a call with the results moved up and then down, and a result
 * that does not change is one that both builds must give bit for bit.
 *
 * No <math.h> here: these are the definitions of the names it declares. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

long qelfin_libm_calls = 0; /* calls since the runner last cleared it */
/* 0: results as libm gives them; +1: one ulp up; -1: one ulp down;
 * 2: alternately up and down, call by call (so that differences between
 * two results cannot cancel as they may when all move the same way) */
int qelfin_libm_nudge = 0;

typedef double (*unary)(double);
typedef double (*binary)(double, double);

static void* real(const char* name) {
    void* f = dlsym(RTLD_NEXT, name);
    if (f == NULL) abort();
    return f;
}

/* One ulp towards +infinity or -infinity; NaNs and infinities stay. */
static double nudge(double r) {
    uint64_t b;
    int up = qelfin_libm_nudge > 0;
    if (qelfin_libm_nudge == 2) up = (qelfin_libm_calls & 1) != 0;
    if (qelfin_libm_nudge == 0 || r != r || r - r != 0) return r;
    memcpy(&b, &r, sizeof b);
    if (r == 0) {
        b = up ? 1 : 0x8000000000000001ull;
    } else if ((r > 0) == up) {
        ++b;
    } else {
        --b;
    }
    memcpy(&r, &b, sizeof r);
    return r;
}

double exp(double x) {
    static unary f;
    if (f == NULL) f = (unary)real("exp");
    ++qelfin_libm_calls;
    return nudge(f(x));
}

double log(double x) {
    static unary f;
    if (f == NULL) f = (unary)real("log");
    ++qelfin_libm_calls;
    return nudge(f(x));
}

double pow(double x, double y) {
    static binary f;
    if (f == NULL) f = (binary)real("pow");
    ++qelfin_libm_calls;
    return nudge(f(x, y));
}
