# Schedules and every rate of return from Python: the frames hold the
# module's figures (the plain functions on the same inputs, closed forms),
# the bank-style loan ends at 0, the rates are those the flows were built on.
import math

import numpy as np
import pandas as pd
import pytest

import qelfin

r = 0.045 / 12


@pytest.mark.parametrize("kw, rows", [
    (dict(amount=250000, rate=r, periods=360), 360),
    (dict(amount=250000, payment=1300, rate=r), math.ceil(qelfin.mort(250000, 1300, r, None))),
    (dict(amount=250000, rate=r, periods=360, decimals=2), 360),
    (dict(amount=250000, payment=1300, rate=r, decimals=2), math.ceil(qelfin.mort(250000, 1300, r, None))),
])
def test_mort_schedule_repays_the_loan(kw, rows):
    s = qelfin.mort_schedule(**kw)
    assert list(s.columns) == ["payment", "interest", "principal", "balance"]
    assert list(s.index) == list(range(1, rows + 1)) and s.index.name == "period"
    assert s["balance"].iloc[-1] == 0.0
    assert s.attrs["totals"]["principal"] == pytest.approx(250000, rel=1e-12)
    pay = kw.get("payment") or qelfin.mort(250000, None, r, 360)
    k = np.arange(1, rows)
    closed = 250000 * (1 + r) ** k - pay * ((1 + r) ** k - 1) / r  # balance after k payments
    tolerance = 0.01 * k if "decimals" in kw else 1e-7  # a cent of rounding a period at most
    assert np.all(np.abs(s["balance"].to_numpy()[:-1] - closed) <= tolerance)
    if "decimals" in kw:
        assert np.all(s["payment"].to_numpy()[:-1] == round(pay, 2))
        assert all(round(x, 2) == x for x in s.to_numpy().ravel())  # whole cents


def test_depreciation_schedule_is_the_pair_of_functions():
    s = qelfin.depreciation_schedule("DBSL", value=50000, life=7, factor=2)
    k = np.arange(1, 8)
    assert s["depreciation"].to_numpy().tolist() == qelfin.depdbsl(k, 50000, 7, 2).tolist()
    assert s["accumulated"].to_numpy().tolist() == qelfin.daccdbsl(k, 50000, 7, 2).tolist()
    t = qelfin.depreciation_schedule("tab", 1000, fractions=[0.333, 0.3331, 0.3339], decimals=2)
    assert t["depreciation"].sum() == pytest.approx(t["accumulated"].iloc[-1], abs=1e-9)
    with pytest.raises(ValueError, match="life"):
        qelfin.depreciation_schedule("SL", 1000, 0)


def test_irr_rates_every_sign_change():
    assert qelfin.irr_rates(1, [-100, 230, -132]) == pytest.approx([10, 20], rel=1e-12)
    flows = np.array([[-100, 230, -132, 0], [-1000, 300, 400, 500]])  # (1 - 1.1v)(1 - 1.2v); one sign change
    rows = qelfin.irr_rates(1, pd.DataFrame(flows, index=["a", "b"]))
    assert list(rows.index) == ["a", "b"] and len(rows["b"]) == 1
    assert rows["b"][0] == pytest.approx(qelfin.irr(1, flows[1]), rel=1e-9)
    with pytest.raises(ValueError, match="frequency"):
        qelfin.irr_rates(-1, [-100, 110])
