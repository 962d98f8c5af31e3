"""Schedules and every rate of return, made by the host library that every
surface shares (qelhost's schedule and rates, PostgreSQL's mort_schedule,
depreciation_schedule and irr_rates give the same figures).

    >>> qelfin.mort_schedule(amount=250000, rate=0.045 / 12, periods=360)
    >>> qelfin.mort_schedule(amount=250000, payment=1300, rate=0.045 / 12, decimals=2)
    >>> qelfin.depreciation_schedule("DB", value=50000, life=10, factor=2)
    >>> qelfin.irr_rates(1, [-100, 230, -132])     # array([10., 20.]) in percent
"""
import math
import numbers

import numpy as np

from . import _qelfin

_ROUNDING = """
    decimals=None gives the module's figures unrounded.  decimals=d gives a
    bank-style schedule, rounded by the host (half away from zero on the
    shortest decimal form): amount and payment rounded to d decimals; each
    period's interest is round(balance * rate, d), the principal the payment
    less the interest; the last payment is the balance plus its interest so
    that the balance ends at exactly 0 (at payment n when n is whole, else at
    the first period the payment covers: a smaller last payment).  A
    depreciation table rounds the accumulated depreciation; each period's
    depreciation is the difference of two rounded accumulated figures."""


def _number(name, x):
    if x is None:
        return math.nan
    if isinstance(x, numbers.Real) and not isinstance(x, bool):
        return float(x)
    raise TypeError(f"{name}: {type(x).__name__} {x!r} is not a number")


def _decimals(decimals):
    if decimals is None:
        return -1
    if not isinstance(decimals, numbers.Integral) or not 0 <= decimals <= 15:
        raise ValueError(f"decimals must be a whole number from 0 to 15, not {decimals!r}")
    return int(decimals)


def _frame(columns, rows, totals):
    import pandas as pd

    frame = pd.DataFrame(rows[:, 1:], columns=columns[1:],
                         index=pd.Index(rows[:, 0].astype(np.int64), name=columns[0]))
    frame.attrs["totals"] = {c: t for c, t in zip(columns[1:], totals[1:]) if not math.isnan(t)}
    return frame


def mort_schedule(amount=None, payment=None, rate=None, periods=None, *, decimals=None):
    """A loan's amortization schedule: a DataFrame indexed by period with the
    columns payment, interest, principal, balance (currency), and
    frame.attrs["totals"] with the totals of payment, interest, principal.

    Arguments as MORT takes them: amount (currency), payment per period
    (currency), rate per period as a fraction (0.005 is 0.5 %), periods;
    leave one of the four None and MORT computes it first.  Unrounded, the
    balance after period k is MORT's amount for the same payment and rate
    over the n - k payments left; when n is not whole the rest is repaid one
    period later (a smaller last payment).  A call the module refuses raises
    ValueError with its reason.
    """
    args = [_number(n, x) for n, x in
            (("amount", amount), ("payment", payment), ("rate", rate), ("periods", periods))]
    return _frame(*_qelfin.loan_schedule(args, _decimals(decimals)))


def depreciation_schedule(method, value, life=None, factor=None, *, fractions=None, decimals=None):
    """An asset's depreciation table: a DataFrame indexed by period with the
    columns depreciation, accumulated, book_value (currency), and
    frame.attrs["totals"].

    method: "DB", "DBSL", "SL", "SYD" or "TAB" (or DEPDB, DACCDB, ...);
    value (currency), life (periods), factor (a multiple of the straight-line
    rate, DB and DBSL only) or fractions (TAB only: the fraction of the value
    written off in each period).  Each period's figures are those of the
    method's DEPxx and DACCxx; a call the module refuses raises ValueError.
    """
    args = [_number("value", value)]
    if fractions is not None:
        if life is not None or factor is not None:
            raise TypeError("fractions go with method TAB alone, without life or factor")
        args += [_number("fraction", f) for f in fractions]
    else:
        args.append(_number("life", life))
        if factor is not None:
            args.append(_number("factor", factor))
    return _frame(*_qelfin.depreciation_schedule(str(method), args, _decimals(decimals)))


mort_schedule.__doc__ += _ROUNDING
depreciation_schedule.__doc__ += _ROUNDING


def irr_rates(freq, flows):
    """Every rate of return in percent per base period, ascending: the rates
    above -100 % at which the net present value of the cash flows changes
    sign.  flows is one series (an array of rates back) or rows of series (a
    2-D array or DataFrame: a list, or a Series on the frame's index, of one
    array per row).  Missing flows (None, NaN) count as 0.

    The search samples the NPV polynomial (the module's netpvd) over
    Cauchy's bounds on its roots at even steps in the log of the discount
    factor (down to 1/1024) and bisects each sign change to adjacent
    doubles; it stops once it has as many rates as the flows have sign
    changes (Descartes' bound).  It cannot see a rate where the NPV touches
    zero without changing sign, nor three or more within one step.  The module's IRR, when it gives one, is
    one of the rates to within its own tolerance.
    A missing or negative freq raises ValueError, as does freq 0 with a
    missing flow.
    """
    freq = _number("freq", freq)
    frame_index = getattr(flows, "index", None) if getattr(flows, "ndim", 1) == 2 else None
    series = np.asarray(flows, dtype=float)
    if series.ndim == 1:
        return _qelfin.irr_rates(freq, series.tolist())
    if series.ndim != 2:
        raise ValueError(f"flows must be one series or rows of series, not {series.ndim}-D")
    rates = [_qelfin.irr_rates(freq, row.tolist()) for row in series]
    if frame_index is None:
        return rates
    import pandas as pd

    return pd.Series(rates, index=frame_index, dtype=object)
