"""Dask collections in, lazy Dask results out: every function maps over the
blocks of dask arrays (map_blocks) and the partitions of dask DataFrames
and Series (map_partitions); a series function reads each series along a
last axis made whole in one chunk, or, in long format, shuffles the rows
on `by` so that each group lies in one partition.  The work on the workers
is qelfin's own in-process call on each block (qelfin must be installed
there); dask is imported only when a dask object is passed."""
import numpy as np


def _is_dask(x):
    return type(x).__module__.partition(".")[0] in ("dask", "dask_expr")


def any_dask(values):
    return any(_is_dask(v) for v in values)


def _function(info):
    import qelfin
    return getattr(qelfin, info["name"].lower())


def _apply(name, errors, warnings, *args, **kwargs):
    """On a worker: the in-process call on one block or partition."""
    import qelfin
    return getattr(qelfin, name)(*args, errors=errors, warnings=warnings, **kwargs)


def _frames(values):
    import dask.dataframe as dd
    return [v for v in values if isinstance(v, (dd.DataFrame, dd.Series))]


def _meta(info, frames):
    import pandas as pd
    name = info["name"].lower()
    if any(f.ndim == 2 for f in frames):
        columns = next(f for f in frames if f.ndim == 2).columns
        return pd.DataFrame({c: pd.Series(dtype=np.float64) for c in columns})
    series = [f for f in frames if f.ndim == 1]
    if len(series) == 1 and series[0].name is not None:
        name = series[0].name
    return pd.Series(dtype=np.float64, name=name)


def elementwise(info, values, errors, warnings):
    import dask.array as da
    import dask.dataframe as dd
    name = info["name"].lower()
    frames = _frames(values)
    if frames:
        return dd.map_partitions(_apply, name, errors, warnings, *values, meta=_meta(info, frames))
    arrays = [v if _is_dask(v) or v is None or np.ndim(v) == 0 else da.asarray(np.asarray(v)) for v in values]
    return da.map_blocks(_apply, name, errors, warnings, *arrays, dtype=np.float64)


def _flows_by_series(name, errors, warnings, count, *blocks):
    """One block of series: the leading blocks carry a trailing axis of 1."""
    *leads, flows = blocks
    leads = [b[..., 0] if isinstance(b, np.ndarray) and b.ndim else b for b in leads]
    return _apply(name, errors, warnings, *leads, flows, axis=-1)


def _long(part, name, errors, warnings, leads, by_name):
    import pandas as pd
    if not len(part):
        return pd.Series(dtype=np.float64, name=name)
    result = _apply(name, errors, warnings, *leads, part["flow"], by=part["by"], period=part["period"])
    return result.rename_axis(by_name)


def series(info, values, axis, by, period, errors, warnings):
    import dask.array as da
    import dask.dataframe as dd
    import pandas as pd
    name = info["name"].lower()
    *leads, flows = values
    if by is not None or period is not None:
        if any(_is_dask(v) or np.ndim(v) for v in leads):
            raise ValueError("in the long format the leading arguments are single values")
        rows = flows.to_frame("flow") if isinstance(flows, dd.Series) else dd.from_pandas(
            pd.DataFrame({"flow": np.asarray(flows)}), npartitions=1)
        rows = rows.assign(by=by, period=period)
        grouped = rows.shuffle(on="by")
        return grouped.map_partitions(_long, name, errors, warnings, tuple(leads), getattr(by, "name", None),
                                      meta=pd.Series(dtype=np.float64, name=name))
    if isinstance(flows, dd.DataFrame):  # a series per row
        return dd.map_partitions(_apply, name, errors, warnings, *leads, flows, axis=axis,
                                 meta=pd.Series(dtype=np.float64, name=name))
    if isinstance(flows, dd.Series):
        flows = flows.to_dask_array(lengths=True)
    f = da.asarray(flows)
    f = da.moveaxis(f, axis, -1).rechunk({f.ndim - 1: -1})
    lead_arrays = [v if v is None or np.ndim(v) == 0 else da.asarray(v)[..., None] for v in leads]
    return da.map_blocks(_flows_by_series, name, errors, warnings, f.shape[-1], *lead_arrays, f,
                         drop_axis=f.ndim - 1, dtype=np.float64)
