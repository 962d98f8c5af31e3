"""One vectorized call: arguments broadcast as in numpy, one call site of the
module over the rows (the interpreter's lock released; a series read in
place from one block), then at most one warning of each kind and, under
errors="raise", the first failed element as an error.  Dask collections
and the long format (by=, period=) branch off to their own modules."""
import math

import numpy as np

from . import _dask, _long, _qelfin
from ._arguments import Labels, as_floats, column, pd
from ._errors import FunctionError, PlausibilityWarning, SeveralRatesWarning, warn

ERRORS = ("nan", "raise")


def check_errors(errors):
    if errors not in ERRORS:
        raise ValueError(f"errors must be 'nan' or 'raise', not {errors!r}")
    return errors == "raise"


def _raise_first_failure(info, columns, status, marked, block, shape, labels):
    first = int(np.flatnonzero(status)[0])
    element = [float(c.reshape(-1)[0] if c.size == 1 else c[first]) for c in columns]
    if block is not None:
        element += block[first].tolist()
    raise function_error(info, int(status[first]), int(marked[first]), element, labels.label(first, shape))


def function_error(info, status, marked, element, index):
    """The FunctionError of one element: the marked argument in the host's
    words ("life", "flows[2]" for the second flow) and the host's reason."""
    argument = _qelfin.argument_name(info["index"], marked) if marked else None
    meaning = info["parameters"][min(marked, len(info["parameters"])) - 1]["meaning"] if marked else None
    return FunctionError(info["name"], status, _qelfin.status_name(status), argument, meaning, index,
                         _qelfin.reason(info["index"], element, status, marked))


def finish(info, outcome, warnings, raising, label):
    """Warnings and the error of an evaluation; label(flat) names an element."""
    value, status, marked, several, hint = outcome
    if warnings and hint is not None:
        position, x, text = hint
        warn(PlausibilityWarning(info["name"], info["names"][position - 1], x, text))
    if warnings and len(several):
        warn(SeveralRatesWarning(info["name"], [label(int(i)) for i in several], value[several].tolist()))
    return raising and status.any()


def _evaluate(info, columns, shape, labels, raising, warnings, block=None):
    rows = math.prod(shape)
    outcome = _qelfin.evaluate(info["index"], columns, rows, raising, block)
    if finish(info, outcome, warnings, raising, lambda i: labels.label(i, shape)):
        _raise_first_failure(info, columns, outcome[1], outcome[2], block, shape, labels)
    return labels.shaped(outcome[0], shape)


def elementwise(info, values, errors, warnings):
    """A function of fixed arity over broadcast arguments."""
    raising = check_errors(errors)
    if _dask.any_dask(values):
        return _dask.elementwise(info, values, errors, warnings)
    names = info["names"]
    arrays = [as_floats(v, n) for n, v in zip(names, values)]
    shape = np.broadcast_shapes(*(a.shape for a in arrays))
    labels = Labels(values, info["name"].lower())
    return _evaluate(info, [column(a, shape) for a in arrays], shape, labels, raising, warnings)


def series(info, values, axis, by, period, errors, warnings):
    """A function of leading arguments and a series (cash flows or a table)
    along `axis` of the last argument: one result per series; or, with `by`,
    one result per group of rows in long format."""
    raising = check_errors(errors)
    if _dask.any_dask((*values, by, period)):
        return _dask.series(info, values, axis, by, period, errors, warnings)
    if by is not None or period is not None:
        return _long.by_group(info, values, by, period, raising, warnings)
    names = info["names"]
    *lead_values, flows = values
    f = as_floats(flows, names[-1])
    if f.ndim == 0:
        raise ValueError(f"argument {names[-1]} must be a sequence, not a single number")
    f = np.moveaxis(f, axis, -1)
    outer, count = f.shape[:-1], f.shape[-1]
    leads = [as_floats(v, n) for n, v in zip(names, lead_values)]
    shape = np.broadcast_shapes(outer, *(a.shape for a in leads))
    labels = Labels(lead_values, info["name"].lower())
    if pd is not None and isinstance(flows, pd.DataFrame) and shape == outer:
        labels.refuse_other_index(flows.index if axis in (-1, 1) else flows.columns)
    # One row per result, the elements along the row: a view wherever numpy
    # can give one (a single series repeated is a row stride of 0).
    block = np.broadcast_to(f, shape + (count,)).reshape(math.prod(shape), count)
    return _evaluate(info, [column(a, shape) for a in leads], shape, labels, raising, warnings, block)
