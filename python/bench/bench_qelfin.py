"""Benchmarks of the Python package (figures for the README; one run each).

  mort:  qelfin.mort(a, None, r, n) over 10,000,000 loans against the lines
         of numpy-financial's pmt, and against the bare closed form
         a * r / (1 - (1 + r) ** -n) with numpy's vectorized pow.
  irr:   qelfin.irr(1, flows) over 10,000 series of 60 flows against
         numpy-financial's method: every root of the cash-flow polynomial
         by np.roots, then the real root nearest the guess.

Run with the installed package: .venv/bin/python python/bench/bench_qelfin.py
"""
import sys
import time
import warnings

import numpy as np

import qelfin


def npf_pmt(rate, nper, pv, fv=0, when=0):
    """numpy-financial's pmt, line for line (a negative payment)."""
    temp = (1 + rate) ** nper
    mask = rate == 0
    masked_rate = np.where(mask, 1, rate)
    fact = np.where(mask != 0, nper, (1 + masked_rate * when) * (temp - 1) / masked_rate)
    return -(fv + pv * temp) / fact


def npf_irr(values, guess=0.1):
    """numpy-financial's irr of one series: the roots of the polynomial in
    1 / (1 + rate), the positive real ones as rates, the one nearest the guess."""
    res = np.roots(values[::-1])
    mask = (res.imag == 0) & (res.real > 0)
    if not mask.any():
        return np.nan
    rate = 1 / res[mask].real - 1
    return rate.item(np.argmin(np.abs(rate - guess)))


def timed(f):
    start = time.perf_counter()
    result = f()
    return result, time.perf_counter() - start


def bench_mort(count):
    rng = np.random.default_rng(1)
    a = rng.uniform(1e3, 1e6, count)
    r = rng.uniform(0.001, 0.01, count)
    n = rng.integers(12, 361, count).astype(np.float64)
    ours, t_ours = timed(lambda: qelfin.mort(a, None, r, n))
    theirs, t_npf = timed(lambda: npf_pmt(r, n, a))
    bare, t_bare = timed(lambda: a * r / (1 - (1 + r) ** -n))
    ns = 1e9 / count
    print(f"mort over {count:,} elements: qelfin {t_ours * ns:.1f} ns/element, "
          f"numpy-financial pmt {t_npf * ns:.1f} ns ({t_ours / t_npf:.2f}x its time), "
          f"closed form {t_bare * ns:.1f} ns ({t_ours / t_bare:.2f}x)")
    print(f"  largest relative difference from pmt: {np.max(np.abs(ours + theirs) / ours):.2e}, "
          f"from the closed form: {np.max(np.abs(ours - bare) / ours):.2e}")


def bench_irr(series, flows_each):
    rng = np.random.default_rng(2)
    flows = rng.uniform(20, 60, (series, flows_each))
    flows[:, 0] = -rng.uniform(500, 1500, series)
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", qelfin.SeveralRatesWarning)
        ours, t_ours = timed(lambda: qelfin.irr(1, flows))
    theirs, t_npf = timed(lambda: np.array([npf_irr(f) for f in flows]))
    print(f"irr over {series:,} series of {flows_each} flows: qelfin {t_ours / series * 1e6:.1f} us/series, "
          f"numpy-financial's method {t_npf / series * 1e6:.1f} us/series ({t_npf / t_ours:.0f}x faster)")
    both = ~np.isnan(ours) & ~np.isnan(theirs)
    print(f"  rates found by both: {both.sum():,}; largest difference {np.max(np.abs(ours / 100 - theirs)[both]):.1e}")


if __name__ == "__main__":
    scale = float(sys.argv[1]) if len(sys.argv) > 1 else 1.0  # e.g. 0.1 for a quick look
    bench_mort(int(10_000_000 * scale))
    bench_irr(int(10_000 * scale), 60)
