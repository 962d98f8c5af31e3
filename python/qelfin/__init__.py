"""qelfin: the financial functions of libqelfin.so over numpy arrays and
pandas columns, with the module's exact figures and its own notes.

    >>> import qelfin
    >>> qelfin.mort(50000, None, 0.005, 360)        # the payment
    >>> qelfin.irr(1, flows)                        # one rate per row of a 2-D array
    >>> qelfin.call("IRR", 1, -100, 230, -132)      # the whole outcome of one call

Time value of money: compound, mort, saving.  Cash flows: npv, netpv, irr,
intrr.  Depreciation: daccdb, depdb, daccdbsl, depdbsl, daccsl, depsl,
daccsyd, depsyd, dacctab, deptab.
"""
import math
import numbers
from pathlib import Path

from . import _qelfin
from ._errors import CallOutcome, FunctionError, Note, SeveralRatesWarning
from ._functions import make_function
from ._schedules import depreciation_schedule, irr_rates, mort_schedule
from . import plot  # matplotlib is imported only when a picture is drawn

for _public in (CallOutcome, FunctionError, Note, SeveralRatesWarning):
    _public.__module__ = __name__
del _public

_qelfin.load(str(Path(__file__).resolve().parent / "libqelfin.so"))

CATALOGUE = tuple(_qelfin.catalogue())

__all__ = ["CATALOGUE", "CallOutcome", "FunctionError", "Note", "SeveralRatesWarning", "call",
           "mort_schedule", "depreciation_schedule", "irr_rates"]
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
    if marked == 0:
        argument = None
    elif marked <= info["leading"]:
        argument = f"argument {marked} ({info['arguments'][marked - 1]})"
    else:
        argument = f"argument {marked} ({info['element']} {marked - info['leading']})"
    value = math.nan if math.isnan(value) else value
    return CallOutcome(value, status, _qelfin.status_name(status), marked, argument,
                       tuple(Note(**n) for n in notes))
