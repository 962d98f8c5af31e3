"""What can go wrong in a call, as Python sees it: FunctionError for an
element without a value under errors="raise", SeveralRatesWarning once per
call of IRR or INTRR whose series change sign more than once,
PlausibilityWarning once per call for a value that looks like a unit slip,
and the outcome record of qelfin.call."""
import sys
import warnings
from typing import NamedTuple, Optional, Tuple


class FunctionError(ValueError):
    """A function gave no value for an element (raised under errors="raise").

    Attributes: function, status (code), status_name, argument (the keyword
    name of the argument the module marked invalid, or None), meaning (what
    that argument is), index (the element's index or label), reason (why,
    in the function's own terms, from the host's reasons)."""

    def __init__(self, function, status, status_name, argument, meaning, index, reason=""):
        self.function, self.status, self.status_name = function, status, status_name
        self.argument, self.meaning, self.index, self.reason = argument, meaning, index, reason
        marked = "" if argument is None else f", argument {argument} marked invalid"
        because = f": {reason}" if reason else ""
        where = "" if index == () else f" at element {index!r}"
        super().__init__(f"{function}{where}{because} ({status_name}, 0x{status:X}{marked})")


class SeveralRatesWarning(RuntimeWarning):
    """IRR or INTRR found rates of series that change sign more than once:
    each may not be the series' only rate.  One warning per call, with a
    fixed message so that the default filter shows it once per line of
    code.  Attributes: function, elements (indexes or labels of those
    series' results), rates (the results there), count."""

    def __init__(self, function, elements, rates):
        self.function, self.elements, self.rates = function, list(elements), list(rates)
        self.count = len(self.elements)
        super().__init__(f"{function}: some series change sign more than once, so the rate found may not be "
                         "their only one (the warning's elements and rates say which)")


class PlausibilityWarning(UserWarning):
    """A value the function computes with, but that looks like a unit slip
    (a fraction where the rate is in percent, a percent where it is a
    fraction, ...).  One per call, for the first such value.  Attributes:
    function, argument (keyword name), value."""

    def __init__(self, function, argument, value, text):
        self.function, self.argument, self.value = function, argument, value
        super().__init__(text)


class Note(NamedTuple):
    set: int
    id: int
    rate: Optional[float]  # the rate found (note 201)
    function: str
    text: str  # the host's catalogue text


class CallOutcome(NamedTuple):
    value: float  # NaN when the call gave no value
    status: int
    status_name: str
    marked: int  # argument marked invalid, 1-based; 0 for none
    argument: Optional[str]  # its meaning, e.g. "argument 3 (life)"
    notes: Tuple[Note, ...]


def warn(warning):
    """Issues `warning` at the first caller outside this package."""
    level, frame = 1, sys._getframe(0)
    while frame is not None and frame.f_globals.get("__name__", "").startswith("qelfin"):
        frame, level = frame.f_back, level + 1
    warnings.warn(warning, stacklevel=level)
