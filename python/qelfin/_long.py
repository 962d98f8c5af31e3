"""Cash flows in long format: one row per flow with its group (`by`) and its
period, one result per group, read as the SQL aggregates read the period
form.  A group's series starts at its smallest period and runs to its
largest; a period without a row is a flow of 0; the rows of one period
add up, their flows sorted ascending by value and summed left to right (a
missing flow is left out of the sum; a period whose flows are all missing
is a missing flow); periods are whole numbers.

Each row's place in its group's series is computed without sorting the
rows (a table of groups by periods gives each group's first and last
period); only the rows of periods with several flows are sorted, once.
The series lie end to end in one array (the flows themselves when they
come in order, one row per period, without gaps), and the function is
evaluated over them in one call: each group's series is read in place, at
its start and with its own length."""
import numpy as np

from . import _qelfin
from ._arguments import as_floats, pd

_LONGEST_SPAN = 2 ** 31 - 3  # elements of one series


def _codes(by):
    """Group codes 0..g-1 in the order of the sorted groups, and the groups."""
    b = by.to_numpy() if isinstance(by, pd.Series) else np.asarray(by)
    name = by.name if isinstance(by, pd.Series) else None
    if b.dtype.kind in "iu" and len(b):
        lo = int(b.min())
        span = int(b.max()) - lo + 1
        if span <= 4 * len(b) + 1024:  # dense enough to count instead of hashing
            present = np.bincount((b - lo).astype(np.intp), minlength=span) > 0
            codes = (np.cumsum(present) - 1)[b - lo]
            return codes, pd.Index(np.flatnonzero(present) + lo, name=name)
    codes, groups = pd.factorize(b, sort=True, use_na_sentinel=True)
    if (codes < 0).any():
        raise ValueError("by: every row needs a group, not a missing value")
    return codes.astype(np.int64, copy=False), pd.Index(groups, name=name)


def _periods(period, rows):
    """The periods as int64; ValueError unless each is a whole number."""
    given = period.to_numpy() if isinstance(period, pd.Series) and period.dtype.kind in "iu" else period
    if isinstance(given, np.ndarray) and given.dtype.kind in "iu":
        whole = given.astype(np.int64, copy=False)
    else:
        p = as_floats(period, "period")
        with np.errstate(invalid="ignore"):
            whole = p.astype(np.int64)
        if p.ndim == 1 and (whole != p).any():  # fractions, NaN, infinities, beyond int64
            raise ValueError("period: every period must be a whole number (not missing)")
    if whole.shape != (rows,):
        raise ValueError("flows, by and period must be 1-D of one length")
    return whole


def _layout(codes, p, groups):
    """Where each row's flow goes: (position, starts, lengths, key,
    repeated), key being the same for the rows of one group and period,
    repeated whether some period has several rows."""
    lo = int(p.min()) if len(p) else 0
    span = (int(p.max()) - lo + 1) if len(p) else 1
    if groups and span > (2 ** 62) // groups:
        raise ValueError("period: the periods span too wide a range")
    offset = p - lo
    key = codes * span + offset
    if groups * span <= 8 * len(p) + 4096:
        # Each group's first and last period from a table of groups by periods.
        present = np.zeros(groups * span, dtype=bool)
        present[key] = True
        present = present.reshape(groups, span)
        first = present.argmax(axis=1)
        last = span - 1 - present[:, ::-1].argmax(axis=1)
        repeated = np.count_nonzero(present) < len(p)
    else:  # periods far apart: each group's extremes from one sort
        order = np.argsort(key, kind="stable")
        k = key[order]
        edge = np.flatnonzero(np.r_[True, codes[order][1:] != codes[order][:-1], True])
        first, last = k[edge[:-1]] % span, k[edge[1:] - 1] % span
        repeated = bool((k[1:] == k[:-1]).any())
    lengths = last - first + 1
    if len(lengths) and lengths.max() > _LONGEST_SPAN:
        raise ValueError("period: a group's periods span more than a series can hold")
    starts = np.r_[0, np.cumsum(lengths)[:-1]].astype(np.int64)
    return starts[codes] + (offset - first[codes]), starts, lengths.astype(np.int32), key, repeated


def _in_order(codes, p):
    """(starts, lengths) when the rows come by group and period, one row per
    period and no gap (the series are then the flows as they are), or None."""
    same = codes[1:] == codes[:-1]
    if len(p) == 0 or not np.where(same, p[1:] - p[:-1] == 1, codes[1:] > codes[:-1]).all():
        return None
    starts = np.r_[0, np.flatnonzero(~same) + 1]
    return starts.astype(np.int64), np.diff(np.r_[starts, len(p)]).astype(np.int32)


def _series(codes, p, f, groups):
    """The groups' series end to end: (flat, starts, lengths)."""
    in_order = _in_order(codes, p)
    if in_order is not None:
        return (f, *in_order)
    position, starts, lengths, key, repeated = _layout(codes, p, groups)
    total = int(lengths.sum())
    flat = np.zeros(total)
    flat[position] = f
    if repeated:
        shared = np.bincount(position, minlength=total)[position] > 1
        # The rows of periods with several flows, in one sort: by period,
        # then ascending by value (a missing flow last); the first of each
        # period is written, the others added left to right, missing ones
        # left out (a period whose flows are all missing stays missing).
        rows = np.flatnonzero(shared)
        rows = rows[np.lexsort((f[rows], key[rows]))]
        pos, v = position[rows], f[rows]
        head = np.r_[True, pos[1:] != pos[:-1]]
        flat[pos[head]] = v[head]
        rest = ~head & ~np.isnan(v)
        np.add.at(flat, pos[rest], v[rest])  # unbuffered: in the order given
    return flat, starts, lengths


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
