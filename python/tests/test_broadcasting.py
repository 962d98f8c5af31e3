# Arguments as callers pass them: scalars, sequences, arrays and pandas
# objects broadcast as in numpy; None and NaN mark the computed argument;
# bad input is refused with numpy's kind of exception.
from decimal import Decimal
from fractions import Fraction

import numpy as np
import pandas as pd
import pytest

import qelfin

rates = np.array([0.004, 0.005, 0.006])


def test_scalars_give_a_float_and_arrays_an_array_of_the_broadcast_shape():
    assert type(qelfin.mort(50000, None, 0.005, 360)) is float
    grid = qelfin.mort(np.array([[1e4], [5e4]]), None, rates, [120, 240, 360])
    assert grid.shape == (2, 3)
    for i, amount in enumerate([1e4, 5e4]):
        for j, (r, n) in enumerate(zip(rates, [120, 240, 360])):
            assert grid[i, j] == qelfin.mort(amount, None, r, n)
    assert qelfin.depsl(np.arange(10.0)[::3], 1000, 10).tolist() == [0.0, 100.0, 100.0, 100.0]
    assert qelfin.daccsl(np.arange(4.0)[::-1], 1000, 10).tolist() == [300.0, 200.0, 100.0, 0.0]
    assert qelfin.depsl(np.zeros(0), 1000, 10).shape == (0,)
    assert np.isnan(qelfin.irr(1, np.empty((3, 0)))).all() and qelfin.npv(1, 1, np.empty((0, 4))).shape == (0,)


@pytest.mark.parametrize("missing", [None, np.nan, float("nan")])
def test_none_or_nan_marks_the_computed_argument(missing):
    assert qelfin.compound(100, missing, 0.05, 10) == qelfin.compound(100, None, 0.05, 10)
    mixed = qelfin.compound([100, 100, missing], [np.nan, 200, 200], 0.05, [10, None, 10])
    assert mixed.tolist() == [qelfin.compound(100, None, 0.05, 10), qelfin.compound(100, 200, 0.05, None),
                              qelfin.compound(None, 200, 0.05, 10)]


def test_pandas_objects_keep_their_labels_and_names():
    s = pd.Series(rates, index=["a", "b", "c"], name="rate")
    out = qelfin.mort(50000, None, s, 360)
    assert list(out.index) == ["a", "b", "c"] and out.name == "rate"
    assert out.tolist() == qelfin.mort(50000, None, rates, 360).tolist()
    assert qelfin.mort(s.rename(None), 1, s, None).name == "mort"  # two Series: the function's name
    frame = pd.DataFrame([[-100, 60, 60], [-100, 30, 90]], index=["p", "q"])
    by_row = qelfin.irr(1, frame)
    assert list(by_row.index) == ["p", "q"] and by_row["q"] == qelfin.irr(1, [-100, 30, 90])
    by_column = qelfin.npv(10, 1, frame.T, axis=0)
    assert by_column.tolist() == qelfin.npv(10, 1, frame.to_numpy()).tolist()
    grid = pd.DataFrame({"x": [1e4, 2e4], "y": [3e4, 4e4]}, index=["m", "n"])
    wide = qelfin.mort(grid, None, 0.005, 360)
    assert isinstance(wide, pd.DataFrame) and wide.index.equals(grid.index) and wide.columns.equals(grid.columns)
    assert wide.to_numpy().tolist() == qelfin.mort(grid.to_numpy(), None, 0.005, 360).tolist()
    with pytest.raises(ValueError, match="share one index"):
        qelfin.mort(50000, None, s, pd.Series([360] * 3, index=["x", "y", "z"]))


record = np.zeros(4, dtype=[("tag", "i4"), ("flow", "f8")])  # a 12-byte stride
record["flow"] = [-100, 60, 60, 1]


@pytest.mark.parametrize("given, plain", [
    (np.ma.masked_array([-100., 999999, 60, 70], mask=[0, 1, 0, 0]), [-100, None, 60, 70]),
    (pd.Series([-100, None, 60, 70], dtype="Float64"), [-100, None, 60, 70]),
    ([Decimal("-100.5"), Fraction(121, 2), 2 ** 64, pd.NA], [-100.5, 60.5, float(2 ** 64), None]),
    (record["flow"], [-100, 60, 60, 1]),
])
def test_odd_inputs_are_read_as_the_plain_floats(given, plain):
    assert qelfin.npv(10, 1, given) == qelfin.call("NPV", 10, 1, *plain).value


@pytest.mark.parametrize("payment, amount", [(pd.NA, 50000), (None, np.array(50000, dtype=object)),
                                             (np.ma.masked, Decimal(50000)), (None, Fraction(50000))])
def test_scalars_take_the_same_conversion(payment, amount):
    assert qelfin.mort(amount, payment, 0.005, 360) == qelfin.call("MORT", 50000, None, 0.005, 360).value


def test_rate_and_frequency_broadcast_against_the_series():
    flows = np.array([[-1000, 500, 400, 300], [-500, 200, 200, 200]], dtype=float)
    profile = qelfin.npv(np.linspace(0, 30, 301), 1, flows[0], warnings=False)
    assert profile.shape == (301,) and profile[100] == qelfin.npv(10, 1, flows[0])
    table = qelfin.netpv(np.array([[0.05], [0.1]]), [1, 2], flows)  # rates down, series across
    assert table[1, 0] == qelfin.netpv(0.1, 1, flows[0]) and table[0, 1] == qelfin.netpv(0.05, 2, flows[1])
    assert qelfin.irr(1, flows.T, axis=0).tolist() == [qelfin.irr(1, f) for f in flows]
    rows = qelfin.deptab([1, 2, 3], 1000, [0.5, 0.3, 0.2])
    assert rows.tolist() == pytest.approx([500, 300, 200], rel=1e-15)


@pytest.mark.parametrize("call, error, match", [
    (lambda: qelfin.depsl("1", 1000, 10), TypeError, "period"),
    (lambda: qelfin.mort(10 ** 400, None, 0.1, 3), TypeError, "amount: int 1000.* too large"),
    (lambda: qelfin.depsl(1, object(), 10), TypeError, "value"),
    (lambda: qelfin.irr(1, pd.Series(["a", "b"])), TypeError, "flows"),
    (lambda: qelfin.npv(10, 1, pd.DataFrame({"d": pd.to_datetime(["2020-01-01"])})), TypeError, "flows"),
    (lambda: qelfin.depsl([1, 2, 3], [1, 2], 10), ValueError, "broadcast"),
    (lambda: qelfin.irr(1, 5.0), ValueError, "sequence"),
    (lambda: qelfin.irr(1, [1, 2], axis=3), ValueError, "axis"),
    (lambda: qelfin.depsl(1, 1, 1, errors="ignore"), ValueError, "errors"),
    (lambda: qelfin.depsl(1, 1), TypeError, "life"),
    (lambda: qelfin.call("MROT", 1), ValueError, "MORT"),
    (lambda: qelfin.call("MORT", 1), TypeError, "MORT takes 4 arguments"),
    (lambda: qelfin.call("NPV", 1), TypeError, "NPV takes at least 2"),
])
def test_bad_input_is_refused_clearly(call, error, match):
    with pytest.raises(error, match=match):
        call()
