// znpv(rate, freq, m, callback, context, err): the present value, at the
// time of the first flow, of m equally spaced cash flows read through
// callback(i, context); rate as a fraction per base period, freq flows per
// base period (0: continuous discounting at rate per interval).  The method,
// the bounds and the error word are described with the shared body in
// znpv.h.
#include "cashflow/znpv.h"

extern "C" QELFIN_API double znpv(double rate, double freq, int32_t m, ValueCallback callback, void* context,
                                  int32_t* err) {
    return qelfin::cashflow::znpv(
        rate, freq, m, [callback, context](int32_t i) { return callback(i, context); }, err);
}
