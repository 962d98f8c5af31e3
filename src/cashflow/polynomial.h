// The IRR root finder: the cash-flow polynomial p(x) = c_0 + c_1 x + ... +
// c_n x^n in the one-period discount factor x = 1/(1 + r), its evaluation
// as mantissa and base-e exponent, and the three root iterations that the
// IRR solver zirr_s runs in a fixed order:
//
//   newtonSplit  one sign change: Newton in t = ln x on the low and high
//                parts that Decompose splits off (a unique positive root)
//   newtonPol    several sign changes: bracketed Newton on the whole
//                polynomial, from just below 1, then from just above 1
//   laguerrePol  several sign changes, when both Newton runs fail: Laguerre
//                from 0.99 and four fixed restart points
//
// None of this allocates, reads host arguments or converts a root into a
// rate; the coefficients live in the solver's scratch array.
#pragma once

#include <cstdint>

namespace qelfin::cashflow {

// One polynomial and the result of its last evaluation:
// p(x) = val e^exponent, p'(x) = der1 e^exponent, p''(x) = der2 e^exponent.
struct Polynomial {
    int32_t lead_zeros;    // leading zero coefficients removed by stripZeros
    int32_t trail_zeros;   // trailing zero coefficients removed by stripZeros
    int32_t degree;        // n: coef[0..n]
    double* coef;          // coef[i] multiplies x^i; the array is the solver's
    double val;            // mantissa of p(x)
    double der1;           // mantissa of p'(x)
    double der2;           // mantissa of p''(x), evalPolLaguerre only
    int32_t exponent;      // base-e exponent shared by the three mantissas
    uint8_t far_end_lost;  // set by an evaluation, cleared only by newtonPol
    double first_abs;      // |coef[0]| after stripping
    double last_abs;       // |coef[n]| after stripping
    double max_abs;        // largest |coef[i]|, full polynomial only
};

// The solver's work record, zero-filled at the start of every solve.
struct IrrWork {
    void* pool;          // the solver's toolkit scratch pool, null while none
    double* cashflows;   // the count cash flows read from the host
    Polynomial* full;    // the whole zero-stripped series
    Polynomial* high;    // c_k..c_n after Decompose
    Polynomial* low;     // c_0..c_(k-1) after Decompose
    int32_t split;       // k, or the failure code of Decompose
    double tolerance;    // 1e-10
    double root;         // the accepted discount factor x
    double start;        // 1.0, where newtonSplit starts
    int32_t limit;       // 40 steps per Newton run
    Polynomial polynomials[3];  // full, high, low
};

// Far-end test of both evaluations: 2^-42 plus two units in the last place.
// A term this much smaller than the near end is lost in rounding.
inline constexpr double PRECISION_GUARD = 2.2737367544323216e-13;

// Codes of Decompose.
inline constexpr int32_t kDecomposeNoSplit = -995;     // degree 0 or no opposite sign
inline constexpr int32_t kDecomposeEmptyPart = -994;   // a part has no nonzero coefficient
// Code of newtonSplit when 40 steps do not converge.
inline constexpr int32_t kNewtonSplitNoConvergence = -993;

// The starting points of Laguerre's method after 0.99: fixed uniform
// deviates, of which only the first four are used.
extern const double zranuniValues[10];

// p and p' at x.  For |x| < 1 plain Horner sums with exponent 0; otherwise
// the reversed polynomial in y = 1/x scaled by x^n = sign * e^(n ln|x|), so
// that no power of x is formed and every degree stays finite.
void EvalPol(Polynomial* p, double x);
// As EvalPol, and p'' as well.
void evalPolLaguerre(Polynomial* p, double x);

// Removes leading and trailing zero coefficients (-0.0 is zero); false when
// every coefficient is zero.
bool stripZeros(Polynomial* p);

// Splits the full polynomial, whose coefficients change sign once, into
// p(x) = low(x) + x^k high(x) with k the first coefficient of the opposite
// sign of coef[0].  0, kDecomposeNoSplit or kDecomposeEmptyPart.
int32_t Decompose(IrrWork* w);

// Newton in t = ln x on ln|low(x)| - ln|x^k high(x)|, from t = ln(start).
// 0 with root set, or kNewtonSplitNoConvergence.
int32_t newtonSplit(IrrWork* w);

// The two bracketed Newton runs on the full polynomial.
enum class NewtonSide {
    kFromBelow,  // starts at 0.999999999999 and keeps every iterate in (0, 1]
    kFromAbove,  // starts at 1.000000000001 and keeps every iterate above 1
};
// True with root set when the run converged on a root whose evaluations all
// kept the far end of the polynomial; scale is 1e-10 times the largest
// |coef[0..n-1]|.
bool newtonPol(IrrWork* w, NewtonSide side, double scale);

// Laguerre's method on the full polynomial from 0.99 and zranuniValues[0..3]
// with 40 evaluations in all.  0 with root set, or 1.
int32_t laguerrePol(IrrWork* w);

}  // namespace qelfin::cashflow
