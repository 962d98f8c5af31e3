# What a call reports besides its figures: errors="raise" with the marked
# argument, the module's own refusals, the note limit per vectorized call,
# and the same results from threads evaluating at once.
import threading
import warnings

import numpy as np
import pandas as pd
import pytest

import qelfin


@pytest.mark.parametrize("call, argument, meaning, index", [
    (lambda e: qelfin.depsl([1, 2], 1000, [5, 0], errors=e), "life", "life", (1,)),
    (lambda e: qelfin.depdb(1, 1000, [[5], [5]], [2, 0, 2], errors=e), "factor", "factor", (0, 1)),
    (lambda e: qelfin.npv(5, pd.Series([1, -1.0], index=["x", "y"]), [1, 2], errors=e), "freq", "freq", "y"),
    (lambda e: qelfin.irr([1, -1], [-100, 110], errors=e), "freq", "freq", (1,)),
    (lambda e: qelfin.deptab(1, 1000, [0.5, None], errors=e), "table[1]", "fractions", ()),
    (lambda e: qelfin.mort(1, 2, 3, 4, errors=e), None, None, ()),
])
def test_errors_raise_names_the_marked_argument_and_the_element(call, argument, meaning, index):
    assert np.isnan(call("nan")).any()
    with pytest.raises(qelfin.FunctionError) as caught:
        call("raise")
    e = caught.value
    assert isinstance(e, ValueError) and e.status_name in str(e) and e.function.lower() in call.__code__.co_names
    assert (e.argument, e.index) == (argument, index) and (meaning is None or e.meaning.startswith(meaning))
    assert e.reason and e.reason in str(e) and (meaning is None or meaning.split()[-1] in e.reason)


def test_more_flows_than_the_function_takes_is_the_modules_refusal():
    flows = np.ones(40000)
    flows[0] = -40000.5
    assert np.isnan(qelfin.irr(1, flows))
    outcome = qelfin.call("IRR", 1, *flows)
    assert outcome.status_name != "0" and np.isnan(outcome.value)
    with pytest.raises(qelfin.FunctionError, match="IRR"):
        qelfin.irr(1, flows, errors="raise")


def test_ten_notes_then_note_202_per_vectorized_call():
    twelve = np.tile([-100.0, 230, -132], (12, 1))
    for _ in range(2):  # each call is a new call site: the limit starts again
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            rates = qelfin.irr(1, twelve)
        texts = [str(w.message) for w in caught]
        assert {w.category for w in caught} == {qelfin.SeveralRatesWarning} and len(texts) == 11
        assert all("change sign more than once" in t for t in texts[:10]) and "no more" in texts[10]
        assert rates == pytest.approx(np.full(12, 10.0), rel=1e-12)


def test_two_threads_give_the_serial_results():
    rng = np.random.default_rng(7)
    flows = rng.normal(0, 100, (3000, 12))
    flows[:, 0] = -1000
    amounts = rng.uniform(1e3, 1e6, 200_000)
    work = [lambda: qelfin.irr(1, flows), lambda: qelfin.mort(amounts, None, 0.004, 240)]
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", qelfin.SeveralRatesWarning)
        serial = [w() for w in work]
        results = [None, None]
        start = threading.Barrier(2)

        def run(i):
            start.wait()
            for _ in range(3):
                results[i] = work[i]()

        threads = [threading.Thread(target=run, args=(i,)) for i in range(2)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
    for got, want in zip(results, serial):
        assert got.view(np.int64).tolist() == want.view(np.int64).tolist()
