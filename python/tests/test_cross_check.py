# 10,000 random calls over the seventeen functions, vectorized (one call site
# over columns) and one by one through qelfin.call (a fresh argument block per
# call): the same value to the bit, the same status and marked argument.
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
                both = (values[row], single.value)
                assert np.isnan(both[0]) == np.isnan(both[1]), (info["name"], one, both)
                if not np.isnan(both[0]):
                    assert np.float64(both[0]).view(np.int64) == np.float64(both[1]).view(np.int64), (one, both)
                assert (status[row], marked[row]) == (single.status, single.marked), (info["name"], one)
                calls += 1
            assert 0 < np.count_nonzero(status == 0) < ROWS, info["name"]  # both kinds of outcome drawn
    assert calls >= 10_000
