# Dask collections give lazy results that compute, on a LocalCluster of two
# worker processes, to the in-process figures bit for bit: loans' payments
# over a chunked array, projects' rates of return in long format shuffled
# by project, and the other shapes a collection can take.
import dask
import dask.array as da
import dask.dataframe as dd
import numpy as np
import pandas as pd
import pytest

import qelfin

distributed = pytest.importorskip("distributed")


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster:
        with distributed.Client(cluster) as c:
            yield c


def bits(x):
    return np.asarray(x, dtype=np.float64).view(np.int64)


def test_loans_and_projects_on_two_workers_match_one_process(client):
    rng = np.random.default_rng(11)
    amounts, rates = rng.uniform(1e3, 1e6, 2_000_000), rng.uniform(0.001, 0.01, 2_000_000)
    lazy = qelfin.mort(da.from_array(amounts, chunks=250_000), None, da.from_array(rates, chunks=250_000), 360)
    assert isinstance(lazy, da.Array)
    assert (bits(lazy.compute()) == bits(qelfin.mort(amounts, None, rates, 360))).all()

    projects, years = 20_000, 8
    flows = rng.normal(30, 40, projects * years)
    flows[::years] = -150
    rows = pd.DataFrame({"project": np.repeat(np.arange(projects), years), "year": np.tile(np.arange(years), projects),
                         "flow": flows}).sample(frac=1, random_state=2)
    parts = dd.from_pandas(rows, npartitions=8)
    lazy = qelfin.irr(1, parts["flow"], by=parts["project"], period=parts["year"], warnings=False)
    assert isinstance(lazy, dd.Series)
    got = lazy.compute().sort_index()
    want = qelfin.irr(1, rows["flow"], by=rows["project"], period=rows["year"], warnings=False)
    assert got.index.equals(want.index) and (bits(got) == bits(want)).all() and got.index.name == "project"


@pytest.mark.parametrize("lazy, plain", [
    (lambda: qelfin.irr(1, da.from_array(np.tile([-100.0, 60, 60], (7, 1)), chunks=(2, 1))),
     lambda: qelfin.irr(1, np.tile([-100.0, 60, 60], (7, 1)))),
    (lambda: qelfin.npv(da.from_array(np.arange(6.0), chunks=2)[:, None], 1, np.array([[-100.0, 60, 60]])),
     lambda: qelfin.npv(np.arange(6.0)[:, None], 1, np.array([[-100.0, 60, 60]]))),
    (lambda: qelfin.npv(10, 1, dd.from_pandas(pd.DataFrame(np.tile([-100.0, 60, 60], (5, 1))), npartitions=2)),
     lambda: qelfin.npv(10, 1, pd.DataFrame(np.tile([-100.0, 60, 60], (5, 1))))),
    (lambda: qelfin.mort(1e5, None, dd.from_pandas(pd.Series([0.004, 0.005], name="r"), npartitions=2), 360),
     lambda: qelfin.mort(1e5, None, pd.Series([0.004, 0.005], name="r"), 360)),
])
def test_every_shape_of_collection_is_lazy_and_in_process_equal(lazy, plain):
    result = lazy()
    assert dask.is_dask_collection(result)
    got, want = result.compute(), plain()
    assert (bits(got) == bits(want)).all() and getattr(got, "name", None) == getattr(want, "name", None)
