# 10,000 random calls over the seventeen functions, vectorized (one call site
# over columns), one by one through qelfin.call (a fresh argument block per
# call) and, for the functions of fixed arity, as calls on plain numbers
# (the fast path): the same value to the bit, the same status and marked
# argument.
import warnings

import numpy as np

import qelfin
from qelfin import _qelfin
from random_calls import ROWS, arguments, columns


def test_vectorized_calls_agree_with_single_calls_bit_for_bit():
    calls = 0
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        for info in qelfin.CATALOGUE:
            args = arguments(info)
            values = getattr(qelfin, info["name"].lower())(*args)
            cols = columns(info, args)
            lead = [np.asarray(a, dtype=float) for a in args[:info["leading"]]]
            block = np.asarray(args[-1], dtype=float) if info["series"] else None
            status, marked = _qelfin.evaluate(info["index"], lead, ROWS, True, block)[1:3]
            for row in range(ROWS):
                one = [c[row] for c in cols]
                single = qelfin.call(info["name"], *[None if np.isnan(x) else x for x in one])
                plain = single.value if info["series"] else getattr(qelfin, info["name"].lower())(*map(float, one))
                both = (values[row], single.value, plain)
                assert np.isnan(both).all() or len(set(np.array(both).view(np.int64).tolist())) == 1, (one, both)
                assert (status[row], marked[row]) == (single.status, single.marked), (info["name"], one)
                calls += 1
            assert 0 < np.count_nonzero(status == 0) < ROWS, info["name"]  # both kinds of outcome drawn
    assert calls >= 10_000
