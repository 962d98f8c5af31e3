# 10,000 random calls over the seventeen functions, vectorized (one call site
# over columns) and one by one through qelfin.call (a fresh argument block per
# call): the same value to the bit, the same status and marked argument.
import warnings

import numpy as np

import qelfin
from qelfin import _qelfin

ROWS = 10_000 // 17 + 1
rng = np.random.default_rng(20240615)


def spoil(x, share=0.08):
    """Some values missing, some negative or zero, as bad input comes."""
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
    if info["series"]:
        return series_arguments(info["name"])
    if info["name"] in ("COMPOUND", "MORT", "SAVING"):
        return tvm_arguments()
    return depreciation_arguments(info["leading"])


def test_vectorized_calls_agree_with_single_calls_bit_for_bit():
    calls = 0
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", qelfin.SeveralRatesWarning)
        for info in qelfin.CATALOGUE:
            args = arguments(info)
            function = getattr(qelfin, info["name"].lower())
            values = function(*args)
            columns = [np.ascontiguousarray(a) for a in args[:info["leading"]]]
            if info["series"]:
                columns += [np.ascontiguousarray(args[-1][:, j]) for j in range(args[-1].shape[1])]
            _, status, marked, _ = _qelfin.evaluate(info["name"], columns, ROWS, True)
            for row in range(ROWS):
                one = [c[row] for c in columns]
                single = qelfin.call(info["name"], *[None if np.isnan(x) else x for x in one])
                both = (values[row], single.value)
                assert np.isnan(both[0]) == np.isnan(both[1]), (info["name"], one, both)
                if not np.isnan(both[0]):
                    assert np.float64(both[0]).view(np.int64) == np.float64(both[1]).view(np.int64), (one, both)
                assert (status[row], marked[row]) == (single.status, single.marked), (info["name"], one)
                calls += 1
            assert 0 < np.count_nonzero(status == 0) < ROWS, info["name"]  # both kinds of outcome drawn
    assert calls >= 10_000
