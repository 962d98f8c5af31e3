"""Turning what callers pass (numbers, None, sequences, numpy arrays, pandas
Series and DataFrames) into float64 arrays, and results back into the kind
they passed: a float for scalars, an array for arrays, a Series with its
index for Series."""
import numbers

import numpy as np

try:
    import pandas as pd
except ImportError:  # pandas is optional
    pd = None


def _element(name):
    def convert(v):
        if v is None or (pd is not None and v is pd.NA):
            return np.nan
        if isinstance(v, numbers.Real):
            return float(v)
        raise TypeError(f"argument {name}: {type(v).__name__} {v!r} is not a number")
    return np.frompyfunc(convert, 1, 1)


def as_floats(x, name):
    """x as a float64 array; None and NaN (and pandas' NA) are missing values."""
    if x is None:
        return np.array(np.nan)
    if pd is not None and isinstance(x, (pd.Series, pd.DataFrame)):
        frame = x.to_frame() if isinstance(x, pd.Series) else x
        for dtype in frame.dtypes:
            if not (pd.api.types.is_numeric_dtype(dtype) or dtype == object):
                raise TypeError(f"argument {name}: pandas {dtype} is not numeric")
        x = x.to_numpy(dtype=object if (frame.dtypes == object).any() else np.float64, na_value=np.nan)
    a = np.asarray(x)
    if a.dtype.kind in "fiub":
        return a.astype(np.float64, copy=False)
    if a.dtype.kind == "O":
        return _element(name)(a).astype(np.float64) if a.size else a.astype(np.float64)
    raise TypeError(f"argument {name}: {a.dtype} values are not numbers")


def index_of(values):
    """The index of the first pandas Series among values (None if none);
    every other Series must carry the same index."""
    index = None
    for v in values:
        if pd is not None and isinstance(v, pd.Series):
            if index is None:
                index = v.index
            elif not index.equals(v.index):
                raise ValueError("pandas Series arguments must share one index")
    return index


def column(a, shape):
    """a as a column over the rows of `shape`: one value repeated, or a 1-D
    view (a copy only where a broadcasts along some but not all axes)."""
    if a.size == 1:
        return a.reshape(())
    if a.shape == shape and a.ndim == 1:
        return a
    if a.shape == shape and a.flags.c_contiguous:
        return a.reshape(-1)
    return np.ascontiguousarray(np.broadcast_to(a, shape)).reshape(-1)


def shaped(values, shape, index):
    """The result column as the caller passed it: float, array or Series."""
    if shape == ():
        return float(values[0])
    out = values.reshape(shape)
    if index is not None and shape == (len(index),):
        return pd.Series(out, index=index)
    return out
