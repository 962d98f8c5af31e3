// stripZeros, Decompose: trimming a cash-flow polynomial and splitting it at
// its sign change.
//
// stripZeros drops leading zero coefficients (advancing coef, so that the
// polynomial is divided by x^lead_zeros, which moves no positive root) and
// trailing ones (lowering the degree), and records |coef| at both ends for
// the far-end test of the evaluations.  A coefficient is zero when it
// compares equal to 0.0: -0.0 is zero, infinities are not.
//
// Decompose, for a series whose coefficients change sign once: k is the
// first coefficient of the sign opposite to coef[0], and
//   p(x) = low(x) + x^k high(x),  low = c_0..c_(k-1),  high = c_k..c_n,
// so that the nonzero coefficients of each part share one sign and
// newtonSplit can work on ln|low| - ln|x^k high|.  Both parts point into the
// full polynomial's array.
#include "cashflow/polynomial.h"

#include <cmath>

namespace qelfin::cashflow {

bool stripZeros(Polynomial* p) {
    while (p->degree >= 0 && p->coef[0] == 0.0) {
        ++p->coef;
        ++p->lead_zeros;
        --p->degree;
    }
    if (p->degree < 0) return false;
    p->first_abs = std::fabs(p->coef[0]);

    while (p->degree >= 0 && p->coef[p->degree] == 0.0) {
        ++p->trail_zeros;
        --p->degree;
    }
    if (p->degree < 0) return false;
    p->last_abs = std::fabs(p->coef[p->degree]);
    return true;
}

int32_t Decompose(IrrWork* w) {
    const Polynomial* full = w->full;
    const int32_t n = full->degree;
    const double* c = full->coef;
    const bool negative_start = c[0] < 0;

    int32_t k = 0;
    if (n > 0) {
        for (int32_t i = 1; i <= n; ++i) {
            if (negative_start ? c[i] > 0 : c[i] < 0) {
                k = i;
                break;
            }
        }
    }
    if (k == 0) {
        w->split = kDecomposeNoSplit;
        return kDecomposeNoSplit;
    }

    w->split = k;
    w->high->degree = n - k;
    w->high->coef = full->coef + k;
    w->low->degree = k - 1;
    w->low->coef = full->coef;
    if (!stripZeros(w->high) || !stripZeros(w->low)) return kDecomposeEmptyPart;
    return 0;
}

}  // namespace qelfin::cashflow
