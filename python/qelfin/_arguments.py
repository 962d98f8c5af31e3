"""Turning what callers pass (numbers, None, Decimal and Fraction, sequences,
numpy arrays, masked arrays, pandas Series and DataFrames, nullable dtypes)
into float64 arrays, and results back into the kind they passed: a float
for numbers, an array for arrays, a Series or a DataFrame with its labels
for pandas objects."""
import decimal
import numbers

import numpy as np

try:
    import pandas as pd
except ImportError:  # pandas is optional
    pd = None


def _missing(v):
    return v is None or v is np.ma.masked or (pd is not None and v is pd.NA)


def _short(v):
    text = repr(v)
    return text if len(text) <= 40 else text[:37] + "..."


def _element(name):
    def convert(v):
        if _missing(v):
            return np.nan
        if isinstance(v, (numbers.Real, decimal.Decimal)):
            try:
                return float(v)
            except OverflowError:
                raise TypeError(f"argument {name}: {type(v).__name__} {_short(v)} is too large for a float") from None
        raise TypeError(f"argument {name}: {type(v).__name__} {_short(v)} is not a number")
    return np.frompyfunc(convert, 1, 1)


def _from_pandas(x, name):
    frame = x.to_frame() if isinstance(x, pd.Series) else x
    plain = True
    for dtype in frame.dtypes:
        if dtype == object:
            plain = False
        elif not pd.api.types.is_numeric_dtype(dtype):
            raise TypeError(f"argument {name}: pandas {dtype} is not numeric")
    # Nullable dtypes (Float64, Int64) give pd.NA as NaN, a missing value.
    return x.to_numpy(dtype=np.float64 if plain else object, na_value=np.nan)


def as_floats(x, name):
    """x as a float64 array whose strides are whole doubles (a copy only where
    they are not, or where the values are converted); None, NaN, pandas' NA
    and masked elements are missing values; Decimal, Fraction and integers
    too large for int64 become the nearest float."""
    if x is None or (pd is not None and x is pd.NA):
        return np.array(np.nan)
    if isinstance(x, float):
        return np.array(x)
    if pd is not None and isinstance(x, (pd.Series, pd.DataFrame)):
        x = _from_pandas(x, name)
    if isinstance(x, np.ma.MaskedArray):
        mask = np.ma.getmaskarray(x)
        a = as_floats(np.ma.getdata(x), name)
        return np.where(mask, np.nan, a) if mask.any() else a
    a = np.asarray(x)
    if a.dtype.kind in "fiub":
        a = a.astype(np.float64, copy=False)
    elif a.dtype.kind == "O":
        a = np.asarray(_element(name)(a), dtype=object).astype(np.float64) if a.size else a.astype(np.float64)
    else:
        raise TypeError(f"argument {name}: {a.dtype} values are not numbers")
    if any(s % 8 for s in a.strides):  # a field of a packed record, say
        a = np.array(a)
    return a


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


class Labels:
    """What a result is labelled with: the index of the pandas Series among
    the arguments (all must share it: aligning would make NaN, which means
    "compute this"), or the index and columns of the DataFrames; the name
    of a Series result."""

    def __init__(self, values, function):
        self.index = self.columns = None
        self.name = function
        series = [v for v in values if pd is not None and isinstance(v, pd.Series)]
        frames = [v for v in values if pd is not None and isinstance(v, pd.DataFrame)]
        if series and frames:
            raise ValueError("pass pandas Series or DataFrames to one call, not both")
        for s in series[1:]:
            if not series[0].index.equals(s.index):
                raise ValueError("pandas Series arguments must share one index")
        for f in frames[1:]:
            if not (frames[0].index.equals(f.index) and frames[0].columns.equals(f.columns)):
                raise ValueError("pandas DataFrame arguments must share one index and one set of columns")
        if series:
            self.index = series[0].index
            if len(series) == 1 and series[0].name is not None:
                self.name = series[0].name
        elif frames:
            self.index, self.columns = frames[0].index, frames[0].columns

    def refuse_other_index(self, index):
        if self.index is not None and not self.index.equals(index):
            raise ValueError("pandas Series arguments must share the DataFrame's index")
        self.index = index

    def label(self, flat, shape):
        """The label of element `flat` of a result of `shape`."""
        if self.index is not None and len(shape) == 1 and self.columns is None:
            return self.index[flat]
        if len(shape) == 1 and self.index is None:
            return flat
        at = tuple(int(i) for i in np.unravel_index(flat, shape)) if shape else ()
        if self.columns is not None and len(shape) == 2:
            return (self.index[at[0]], self.columns[at[1]])
        return at

    def shaped(self, values, shape):
        """The result as the caller passed the arguments: float, array,
        Series or DataFrame."""
        if shape == ():
            return float(values[0])
        out = values.reshape(shape)
        if self.columns is not None and shape == (len(self.index), len(self.columns)):
            return pd.DataFrame(out, index=self.index, columns=self.columns)
        if self.index is not None and shape == (len(self.index),):
            return pd.Series(out, index=self.index, name=self.name)
        return out
