"""Cash flows in long format: one row per flow with its group (`by`) and its
period, one result per group, read as the SQL aggregates read the period
form.  A group's series starts at its smallest period and runs to its
largest; a period without a row is a flow of 0; the rows of one period
add up, their flows sorted ascending by value and summed left to right (a
missing flow is left out of the sum; a period whose flows are all missing
is a missing flow); periods are whole numbers.

The rows are put in order once (no sort at all when they come ordered by
group and period, one period per row), the series laid end to end in one
array, and the function evaluated over them in one call: each group's
series is read in place, at its start and with its own length."""
import numpy as np

from . import _qelfin
from ._arguments import as_floats, pd

_LONGEST_SPAN = 2 ** 31 - 3  # elements of one series


def _codes(by):
    """Group codes 0..g-1 in the order of the sorted groups, and the groups."""
    if pd is not None:
        codes, groups = pd.factorize(by, sort=True, use_na_sentinel=True)
        if (codes < 0).any():
            raise ValueError("by: every row needs a group, not a missing value")
        name = by.name if isinstance(by, pd.Series) else None
        return codes.astype(np.int64, copy=False), pd.Index(groups, name=name)
    groups, codes = np.unique(np.asarray(by), return_inverse=True)
    return codes.astype(np.int64), groups


def _periods(period, rows):
    p = as_floats(period, "period")
    if p.shape != (rows,):
        raise ValueError("flows, by and period must be 1-D of one length")
    if not np.isfinite(p).all() or (p != np.floor(p)).any():
        raise ValueError("period: every period must be a whole number (not missing)")
    if len(p) and max(abs(p.min()), abs(p.max())) >= 2 ** 53:
        raise ValueError("period: periods must lie within ±2**53")
    return p.astype(np.int64)


def _series(codes, p, f, groups):
    """The groups' series end to end: (flat, starts, lengths)."""
    rows = len(f)
    lo, hi = (int(p.min()), int(p.max())) if rows else (0, 0)
    span = hi - lo + 1
    if groups and span > (2 ** 62) // max(groups, 1):
        raise ValueError("period: the periods span too wide a range")
    key = codes * span + (p - lo)
    step = np.diff(key)
    ordered = bool((step > 0).all())
    if ordered:
        order = None
        c, k, v = codes, key, f
    else:
        order = np.argsort(key, kind="stable")
        k = key[order]
        if (np.diff(k) == 0).any():  # several flows in one period: ascending by value
            order = np.lexsort((f, key))
            k = key[order]
        c, v = codes[order], f[order]
    first_row = np.flatnonzero(np.r_[True, c[1:] != c[:-1]]) if rows else np.zeros(0, np.int64)
    last_row = np.r_[first_row[1:] - 1, rows - 1] if rows else first_row
    first_key = k[first_row]
    lengths = k[last_row] - first_key + 1
    if len(lengths) and lengths.max() > _LONGEST_SPAN:
        raise ValueError("period: a group's periods span more than a series can hold")
    starts = np.r_[0, np.cumsum(lengths)[:-1]].astype(np.int64)
    if ordered and (lengths == np.diff(np.r_[first_row, rows])).all():
        return v, starts, lengths.astype(np.int32)  # no gap, no repeated period: the flows as they are
    position = starts[c] + (k - first_key[c])
    flat = np.zeros(int(lengths.sum()))
    head = np.r_[True, k[1:] != k[:-1]]
    flat[position[head]] = v[head]  # NaN where all of a period's flows are missing (NaN sorts last)
    rest = ~head & ~np.isnan(v)
    np.add.at(flat, position[rest], v[rest])  # left to right, in the order given
    return flat, starts, lengths.astype(np.int32)


def by_group(info, values, by, period, raising, warnings):
    """One result per group of the long-format rows, a Series indexed by group."""
    from ._evaluate import finish, function_error  # the common ending of every evaluation
    if pd is None:
        raise ImportError("the long format (by=, period=) needs pandas")
    if by is None or period is None:
        raise ValueError("the long format takes both by= and period=")
    names = info["names"]
    *lead_values, flows = values
    leads = [as_floats(v, n) for n, v in zip(names, lead_values)]
    for n, a in zip(names, leads):
        if a.ndim:
            raise ValueError(f"argument {n} must be a single value in the long format (by=, period=)")
    f = as_floats(flows, names[-1])
    if f.ndim != 1 or len(np.asarray(by)) != len(f):
        raise ValueError("flows, by and period must be 1-D of one length")
    codes, groups = _codes(by)
    flat, starts, lengths = _series(codes, _periods(period, len(f)), f, len(groups))
    outcome = _qelfin.evaluate(info["index"], [a.reshape(()) for a in leads], len(groups), raising,
                               flat, starts, lengths)
    if finish(info, outcome, warnings, raising, lambda i: groups[i]):
        first = int(np.flatnonzero(outcome[1])[0])
        element = [float(a) for a in leads] + flat[starts[first]:starts[first] + lengths[first]].tolist()
        raise function_error(info, int(outcome[1][first]), int(outcome[2][first]), element, groups[first])
    return pd.Series(outcome[0], index=groups, name=info["name"].lower())
