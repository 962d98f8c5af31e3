# What a call reports besides its figures: errors="raise" with the marked
# argument, the module's own refusals, the note limit per vectorized call,
# and the same results from threads evaluating at once.
import signal
import subprocess
import sys
import threading
import time
import warnings

import numpy as np
import pandas as pd
import pytest

import qelfin


@pytest.mark.parametrize("call, argument, index", [
    (lambda e: qelfin.depsl([1, 2], 1000, [5, 0], errors=e), "life", 1),
    (lambda e: qelfin.depdb(1, 1000, [[5], [5]], [2, 0, 2], errors=e), "factor", (0, 1)),
    (lambda e: qelfin.npv(5, pd.Series([1, -1.0], index=["x", "y"]), [1, 2], errors=e), "freq", "y"),
    (lambda e: qelfin.irr([1, -1], [-100, 110], errors=e), "freq", 1),
    (lambda e: qelfin.deptab(1, 1000, [0.5, None], errors=e), "fractions[2]", ()),
    (lambda e: qelfin.mort(1, 2, 0.03, 4, errors=e), None, ()),
])
def test_errors_raise_names_the_marked_argument_and_the_element(call, argument, index):
    assert np.isnan(call("nan")).any()
    with pytest.raises(qelfin.FunctionError) as caught:
        call("raise")
    e = caught.value
    assert isinstance(e, ValueError) and e.status_name in str(e) and e.function.lower() in call.__code__.co_names
    assert (e.argument, e.index) == (argument, index)
    assert e.reason and e.reason in str(e) and (argument is None or argument.split("[")[0] in e.reason)


def test_more_flows_than_the_function_takes_is_the_modules_refusal():
    flows = np.ones(40000)
    flows[0] = -40000.5
    assert np.isnan(qelfin.irr(1, flows))
    outcome = qelfin.call("IRR", 1, *flows)
    assert outcome.status_name != "0" and np.isnan(outcome.value)
    with pytest.raises(qelfin.FunctionError, match="IRR"):
        qelfin.irr(1, flows, errors="raise")


@pytest.mark.parametrize("call, category, attributes", [
    (lambda w: qelfin.irr(1, np.tile([-100.0, 230, -132], (12, 1)), warnings=w), qelfin.SeveralRatesWarning,
     dict(function="IRR", elements=list(range(12)), rates=[qelfin.irr(1, [-100, 230, -132], warnings=False)] * 12)),
    (lambda w: qelfin.npv([10, 0.1, 0.2], 1, [-100, 60, 60], warnings=w), qelfin.PlausibilityWarning,
     dict(function="NPV", argument="rate", value=0.1)),
    (lambda w: qelfin.mort(50000, None, 4.5, 360, warnings=w), qelfin.PlausibilityWarning,
     dict(argument="rate", value=4.5)),
])
def test_one_warning_per_call_with_what_it_is_about(call, category, attributes):
    for shown in (True, False):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            call(shown)
        assert [w.category for w in caught] == [category] * shown
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        call(True)
    w = caught[0].message
    assert issubclass(category, RuntimeWarning if category is qelfin.SeveralRatesWarning else UserWarning)
    assert {k: getattr(w, k) for k in attributes} == attributes and caught[0].filename == __file__


def test_ctrl_c_stops_a_long_call():
    child = subprocess.Popen([sys.executable, "-c", """if True:
        import sys, numpy as np, qelfin
        amounts = np.broadcast_to(1e5, (50_000_000,))
        print("started", flush=True)
        qelfin.mort(amounts, None, 0.005, 360)
        print("finished", flush=True)"""], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    assert child.stdout.readline() == "started\n"
    time.sleep(0.2)
    child.send_signal(signal.SIGINT)
    out, err = child.communicate(timeout=60)
    assert "KeyboardInterrupt" in err and "finished" not in out


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
