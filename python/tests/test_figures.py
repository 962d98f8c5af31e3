# Figures of each function against closed forms and known values worked out
# independently of the module, and the Python signatures against the
# module's catalogue.
import doctest
import importlib.metadata
import inspect
import math
from pathlib import Path

import numpy as np
import pytest

import qelfin
from qelfin import _stub

rel = dict(rel=1e-12)


def test_signatures_are_the_catalogues_names_and_the_docs_run():
    """The names check: keyword names and order are the catalogue's argument
    identifiers; the docstrings' examples run as doctests and the stub
    shipped is the one the catalogue gives."""
    assert len(qelfin.CATALOGUE) == 17
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    for info in qelfin.CATALOGUE:
        f = getattr(qelfin, info["name"].lower())
        params = inspect.signature(f).parameters.values()
        assert [p.name for p in params if p.kind == p.POSITIONAL_OR_KEYWORD] == info["names"], info["name"]
        defaults = {p.default for p in params if p.kind == p.POSITIONAL_OR_KEYWORD}
        assert defaults == ({None} if info["name"] in ("COMPOUND", "MORT", "SAVING") else {inspect.Parameter.empty})
        for test in doctest.DocTestFinder().find(f, globs={}):
            assert runner.run(test).failed == 0 and test.examples, info["name"]
        assert all(f"{n} :" in f.__doc__ for n in info["names"])
    stub = Path(qelfin.__file__).with_name("__init__.pyi")
    assert stub.read_text() == _stub.stub() and stub.with_name("py.typed").exists()
    assert qelfin.__version__ == importlib.metadata.version("qelfin")


a, r, n = 50000.0, 0.005, 360.0
payment = a * r / (1 - (1 + r) ** -n)
saved = 100 * 1.05 * (1.05 ** 10 - 1) / 0.05
flows = [-1000.0, 500.0, 400.0, 300.0]


def discounted(v):
    return sum(c * v ** i for i, c in enumerate(flows))


@pytest.mark.parametrize("call, expected", [
    (lambda: qelfin.compound(100, None, 0.05, 10), 162.88946267774415),
    (lambda: qelfin.mort(a, None, r, n), payment),
    (lambda: qelfin.mort(a, payment, r, None), n),
    (lambda: qelfin.mort(amount=a, rate=r, periods=n), payment),
    (lambda: qelfin.mort(1200, None, 0, 12), 100.0),
    (lambda: qelfin.saving(None, 100, 0.05, 10), saved),
    (lambda: qelfin.npv(10, 1, flows), discounted(1 / 1.1)),
    (lambda: qelfin.netpv(0.1, 4, flows), discounted(1.1 ** -0.25)),
    (lambda: qelfin.npv(5, 0, flows), discounted(math.exp(-0.05))),
    (lambda: qelfin.npv(10, 1, [-1000, np.nan, 400, 300]), -1000 + 400 / 1.21 + 300 / 1.331),
    (lambda: qelfin.depsl(3, 1000, 10), 100.0),
    (lambda: qelfin.depdb(2, 1000, 5, 2), 240.0),
    (lambda: qelfin.daccdb(3, 1000, 5, 2), 1000 * (1 - 0.6 ** 3)),
    (lambda: qelfin.depdbsl(4, 1000, 5, 2), 108.0),  # 216 left, two periods: straight line wins
    (lambda: qelfin.daccsyd(2, 1500, 5), 900.0),
    (lambda: qelfin.dacctab(2.5, 1000, [0.5, 0.3, 0.2]), 900.0),
])
def test_figures(call, expected):
    assert call() == pytest.approx(expected, **rel)


def test_rates_of_return_discount_their_series_to_zero():
    for series in ([-1000, 500, 400, 300], [-50, 10, 10, 10, 10, 10, 10], [-1, 0, 0, 2]):
        percent, fraction = qelfin.irr(1, series), qelfin.intrr(1, series)
        assert percent == pytest.approx(100 * fraction, **rel)
        assert qelfin.netpv(fraction, 1, series) == pytest.approx(0, abs=1e-9 * max(map(abs, series)))
    assert qelfin.intrr(1, [-1, 0, 0, 2]) == pytest.approx(2 ** (1 / 3) - 1, **rel)


def test_several_sign_changes_give_the_rate_and_note_201():
    outcome = qelfin.call("irr", 1, -100, 230, -132)  # roots 10 % and 20 %
    assert outcome.value == pytest.approx(10, **rel)
    assert [(n.set, n.id, n.function) for n in outcome.notes] == [(744, 201, "IRR")]
    assert outcome.notes[0].rate == pytest.approx(0.1, **rel)
