"""qelfin: the financial functions of libqelfin.so over numbers, numpy
arrays, pandas objects and Dask collections, reproducible to the bit (the
same inputs give the same bits on every surface).

    >>> import qelfin
    >>> qelfin.mort(amount=50000, rate=0.005, periods=360)   # the payment
    >>> qelfin.irr(1, flows)                  # one rate per row of a 2-D array
    >>> qelfin.irr(1, df["flow"], by=df["project"], period=df["year"])  # long format
    >>> qelfin.call("IRR", 1, -100, 230, -132)          # the whole outcome of one call

Time value of money: compound, mort, saving.  Cash flows: npv, netpv, irr,
intrr.  Depreciation: daccdb, depdb, daccdbsl, depdbsl, daccsl, depsl,
daccsyd, depsyd, dacctab, deptab.
"""
import math
import numbers
from pathlib import Path

from . import _qelfin
from ._errors import CallOutcome, FunctionError, Note, PlausibilityWarning, SeveralRatesWarning
from ._functions import make_function
from ._schedules import depreciation_schedule, irr_rates, mort_schedule
from . import plot  # matplotlib is imported only when a picture is drawn
from ._version import __version__

for _public in (CallOutcome, FunctionError, Note, PlausibilityWarning, SeveralRatesWarning):
    _public.__module__ = __name__
del _public

_qelfin.load(str(Path(__file__).resolve().parent / "libqelfin.so"))

CATALOGUE = tuple(_qelfin.catalogue())

__all__ = ["CATALOGUE", "CallOutcome", "FunctionError", "Note", "PlausibilityWarning", "SeveralRatesWarning",
           "__version__", "call", "mort_schedule", "depreciation_schedule", "irr_rates"]
for _info in CATALOGUE:
    globals()[_info["name"].lower()] = make_function(_info)
    __all__.append(_info["name"].lower())
del _info


def _argument(i, x):
    if x is None:
        return None
    if isinstance(x, numbers.Real):
        return float(x)
    raise TypeError(f"argument {i}: {type(x).__name__} {x!r} is not a number")


def call(name, *args):
    """One call of a function by name (any case), with the arguments as the
    module takes them (series flattened: call("IRR", 1, -100, 230, -132));
    None or NaN is a missing argument.  Returns a CallOutcome: value (NaN
    when none), status and its name, the argument marked invalid and the
    notes written, without warnings."""
    value, status, marked, notes = _qelfin.call(name, [_argument(i + 1, x) for i, x in enumerate(args)])
    info = next(f for f in CATALOGUE if f["name"] == name.upper())
    argument = f"argument {marked} ({_qelfin.argument_name(info['index'], marked)})" if marked else None
    value = math.nan if math.isnan(value) else value
    return CallOutcome(value, status, _qelfin.status_name(status), marked, argument,
                       tuple(Note(**n) for n in notes))
