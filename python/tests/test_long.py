# Cash flows in long format (one row per flow, with its group and period)
# against the same series written out wide: gaps are 0, the flows of one
# period add up ascending by value, rows in any order.
import numpy as np
import pandas as pd
import pytest

import qelfin

rows = pd.DataFrame({"project": ["b", "b", "b", "a", "a", "a", "a", "a", "a", "c"],
                     "year": [2003, 2000, 2001, 7, 6, 6, 5, 6, 6, 1],
                     "flow": [70, -100, 50, 150, 1e16, 150, -200, 3, -1e16, -5]})
# Per project, from its first year to its last: b has no 2002; a has four rows
# in year 6, whose sum is 152 in the order given and 154 ascending.
wide = {"a": [-200, -1e16 + 3 + 150 + 1e16, 150], "b": [-100, 50, 0, 70], "c": [-5]}


@pytest.mark.parametrize("function, leading", [("irr", [1]), ("intrr", [4]), ("npv", [8, 1]), ("netpv", [0.08, 0])])
def test_long_format_gives_the_wide_figures(function, leading):
    f = getattr(qelfin, function)
    shuffled = rows.sample(frac=1, random_state=3)
    for frame in (rows, shuffled, rows.sort_values(["project", "year"])):
        got = f(*leading, frame["flow"], by=frame["project"], period=frame["year"])
        assert list(got.index) == ["a", "b", "c"] and got.name == function and got.index.name == "project"
        for project, series in wide.items():
            want = qelfin.call(function, *leading, *series).value
            assert got[project] == want or np.isnan(got[project]) and np.isnan(want), (function, project)


def test_many_groups_in_one_call_agree_with_the_wide_array():
    rng = np.random.default_rng(5)
    flows = rng.normal(30, 40, (500, 12))
    flows[:, 0] = -400
    long = pd.DataFrame({"p": np.repeat(np.arange(500), 12), "t": np.tile(np.arange(12), 500), "f": flows.ravel()})
    long = long.sample(frac=1, random_state=1)
    got = qelfin.irr(12, long["f"], by=long["p"], period=long["t"], warnings=False)
    assert got.to_numpy().view(np.int64).tolist() == qelfin.irr(12, flows, warnings=False).view(np.int64).tolist()


@pytest.mark.parametrize("period, by, match", [
    ([0, 1.5, 2], [1, 1, 1], "whole number"), ([0, None, 2], [1, 1, 1], "whole number"),
    ([0, 1, 2], [1, None, 1], "group"), ([0, 1], [1, 1, 1], "one length"),
])
def test_long_format_refuses_what_it_cannot_read(period, by, match):
    with pytest.raises(ValueError, match=match):
        qelfin.irr(1, pd.Series([-100.0, 50, 60]), by=pd.Series(by), period=pd.Series(period, dtype=float))
