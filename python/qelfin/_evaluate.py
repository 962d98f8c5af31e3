"""One vectorized call: arguments broadcast as in numpy, one call site of the
module over the rows (the interpreter's lock released), then the notes as
warnings and, under errors="raise", the first failed element as an error."""
import math

import numpy as np

from . import _qelfin
from ._arguments import as_floats, column, index_of, pd, shaped
from ._errors import FunctionError, warn_notes

_ERRORS = ("nan", "raise")


def _check_errors(errors):
    if errors not in _ERRORS:
        raise ValueError(f"errors must be 'nan' or 'raise', not {errors!r}")
    return errors == "raise"


def _raise_first_failure(info, columns, status, marked, shape, labels, names):
    first = int(np.flatnonzero(status)[0])
    element = [float(c.reshape(-1)[0] if c.size == 1 else c[first]) for c in columns]
    if labels is not None and len(shape) == 1:
        index = labels[first]
    else:
        index = tuple(int(i) for i in np.unravel_index(first, shape)) if shape else ()
    k, leading = int(marked[first]), info["leading"]
    if k == 0:
        argument = meaning = None
    elif k <= leading:
        argument, meaning = names[k - 1], info["arguments"][k - 1]
    else:  # an element of the series, counted from 1 by the module
        argument, meaning = f"{names[-1]}[{k - leading - 1}]", f"{info['element']} {k - leading}"
    s = int(status[first])
    reason = _qelfin.reason(info["name"], element, s, k)
    raise FunctionError(info["name"], s, _qelfin.status_name(s), argument, meaning, index, reason)


def _finish(info, columns, shape, labels, names, raising):
    rows = int(np.prod(shape, dtype=np.int64))
    value, status, marked, notes = _qelfin.evaluate(info["name"], columns, rows, raising)
    warn_notes(notes, stacklevel=4)
    if raising and status.any():
        _raise_first_failure(info, columns, status, marked, shape, labels, names)
    return shaped(value, shape, labels)


def elementwise(info, names, values, errors):
    """A function of fixed arity over broadcast arguments."""
    raising = _check_errors(errors)
    arrays = [as_floats(v, n) for n, v in zip(names, values)]
    shape = np.broadcast_shapes(*(a.shape for a in arrays))
    labels = index_of(values)
    columns = [column(a, shape) for a in arrays]
    return _finish(info, columns, shape, labels, names, raising)


def series(info, names, values, axis, errors):
    """A function of leading arguments and a series (cash flows or a table)
    along `axis` of the last argument: one result per series."""
    raising = _check_errors(errors)
    *lead_values, flows = values
    f = as_floats(flows, names[-1])
    if f.ndim == 0:
        raise ValueError(f"argument {names[-1]} must be a sequence, not a single number")
    f = np.moveaxis(f, axis, -1)
    outer, count = f.shape[:-1], f.shape[-1]
    leads = [as_floats(v, n) for n, v in zip(names, lead_values)]
    shape = np.broadcast_shapes(outer, *(a.shape for a in leads))
    labels = index_of(lead_values)
    if pd is not None and isinstance(flows, pd.DataFrame) and shape == outer:
        frame_labels = flows.index if axis in (-1, 1) else flows.columns
        if labels is not None and not labels.equals(frame_labels):
            raise ValueError("pandas Series arguments must share the DataFrame's index")
        labels = frame_labels
    if outer == ():
        flow_columns = [f[j:j + 1] for j in range(count)]  # one series for every row
    else:
        rows = np.ascontiguousarray(np.broadcast_to(f, shape + (count,))).reshape(math.prod(shape), count)
        flow_columns = [rows[:, j] for j in range(count)]
    columns = [column(a, shape) for a in leads] + flow_columns
    return _finish(info, columns, shape, labels, names, raising)
