"""What can go wrong in a call, as Python sees it: FunctionError for a
status under errors="raise", SeveralRatesWarning for the notes of IRR and
INTRR, and the outcome record of qelfin.call."""
import warnings
from typing import NamedTuple, Optional, Tuple


class FunctionError(ValueError):
    """A function gave no value for an element (raised under errors="raise").

    Attributes: function, status (code), status_name, argument (the Python
    name of the argument the module marked invalid, or None), meaning (what
    that argument is), index (the element's index), reason (why, in the
    function's own terms)."""

    def __init__(self, function, status, status_name, argument, meaning, index, reason=""):
        self.function, self.status, self.status_name = function, status, status_name
        self.argument, self.meaning, self.index, self.reason = argument, meaning, index, reason
        if argument is None:
            marked = "no argument marked"
        else:
            marked = f"argument {argument}" + (f" ({meaning})" if meaning != argument else "") + " marked invalid"
        because = f" ({reason})" if reason else ""
        super().__init__(f"{function}: {status_name} (0x{status:X}) at element {index}: {marked}{because}")


class SeveralRatesWarning(UserWarning):
    """IRR or INTRR found a rate of a series that changes sign more than
    once: the rate may not be the only one (note 201); note 202 says that
    no more such notes follow for the call."""


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


def warn_notes(notes, stacklevel):
    """Issues one SeveralRatesWarning per note, with the host's text."""
    for note in notes:
        warnings.warn(note["text"], SeveralRatesWarning, stacklevel=stacklevel + 1)
