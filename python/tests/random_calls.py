# Random arguments for every function, a column each (series as a 2-D
# array), with missing, negative and zero values mixed in as bad input comes.
# Drawn by the Python cross-check and by the PostgreSQL one.
import numpy as np

ROWS = 10_000 // 17 + 1
rng = np.random.default_rng(20240615)


def spoil(x, share=0.08):
    """Some values missing, some negative or zero."""
    x = x.copy()
    pick = rng.random(x.shape)
    x[pick < share] = np.nan
    x[(pick >= share) & (pick < 2 * share)] *= -1
    x[(pick >= 2 * share) & (pick < 2.5 * share)] = 0
    return x


def tvm_arguments():
    args = [rng.uniform(10, 1e6, ROWS), rng.uniform(10, 1e4, ROWS), rng.uniform(-0.01, 0.1, ROWS),
            rng.integers(1, 400, ROWS) + rng.choice([0, 0.5], ROWS)]
    args = [spoil(a, 0.03) for a in args]
    computed = rng.integers(0, 4, ROWS)
    for k in range(4):
        args[k][computed == k] = np.nan
    return args


def depreciation_arguments(count):
    period = rng.integers(-1, 14, ROWS) + rng.choice([0, 0.25, 0.5], ROWS, p=[0.6, 0.2, 0.2])
    args = [period, rng.uniform(0, 1e5, ROWS), rng.integers(0, 12, ROWS) + rng.choice([0, 0.5], ROWS),
            rng.uniform(0, 3, ROWS)][:count]
    return [spoil(a, 0.03) for a in args]


def series_arguments(name):
    count = int(rng.integers(1, 9))
    if name in ("DACCTAB", "DEPTAB"):
        return depreciation_arguments(2) + [spoil(rng.uniform(0, 0.35, (ROWS, count)), 0.02)]
    flows = rng.normal(0, 500, (ROWS, count))
    flows[:, 0] = -np.abs(flows[:, 0]) - 1000
    freq = rng.choice([0, 1, 2, 4, 12, -1, np.nan], ROWS, p=[0.1, 0.5, 0.1, 0.1, 0.1, 0.05, 0.05])
    rate = rng.uniform(-5, 30, ROWS) / (1 if name == "NPV" else 100)
    leading = [rate, freq] if name in ("NPV", "NETPV") else [freq]
    return leading + [spoil(flows, 0.05)]


def arguments(info):
    """The vectorized arguments of one catalogue entry, ROWS rows."""
    if info["series"]:
        return series_arguments(info["name"])
    if info["name"] in ("COMPOUND", "MORT", "SAVING"):
        return tvm_arguments()
    return depreciation_arguments(info["leading"])


def columns(info, args):
    """The same arguments as the module takes them, a series one column per element."""
    out = [np.ascontiguousarray(a) for a in args[:info["leading"]]]
    if info["series"]:
        out += [np.ascontiguousarray(args[-1][:, j]) for j in range(args[-1].shape[1])]
    return out
