"""Benchmarks of the Python package (figures for the README; one run each,
the best of a few repetitions where a run is short).

  scalar: one call on plain numbers (the fast path), against qelfin.call
          and numpy-financial's pmt on scalars
  mort:   qelfin.mort(a, None, r, n) over 10,000,000 loans against the
          module's plain entry loop (the C++ benchmark Rows_EntryLoop/MORT
          on the same loans, when its binary is given), numpy-financial's
          pmt and the bare closed form with numpy's vectorized pow
  irr:    10,000 series of 60 flows: a wide 2-D array, the same rows in
          long format (in order, then shuffled), and numpy-financial's
          method (every root by np.roots)
  npv:    one series of 30,000,000 flows: time and peak memory (a child
          process)

  build/python-venv/bin/python python/bench/bench_qelfin.py [scale] [path/to/qelfin_bench]
"""
import json
import subprocess
import sys
import time
import timeit

import numpy as np
import pandas as pd

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


def best(f, repeat=5):
    """The result and the least CPU time of `repeat` runs (CPU time, as the
    C++ benchmarks report, so that other work on the machine counts less)."""
    times = []
    for _ in range(repeat):
        start = time.process_time()
        result = f()
        times.append(time.process_time() - start)
    return result, min(times)


def bench_scalar():
    def per_call(stmt):
        return min(timeit.repeat(stmt, globals={"qelfin": qelfin, "npf_pmt": npf_pmt}, number=100_000, repeat=5,
                                 timer=time.process_time)) * 10
    ours, depsl = per_call("qelfin.mort(50000, None, 0.005, 360)"), per_call("qelfin.depsl(3, 1000, 10)")
    single, npf = per_call("qelfin.call('MORT', 50000, None, 0.005, 360)"), per_call("npf_pmt(0.005, 360, 50000)")
    print(f"scalar: qelfin.mort(50000, None, 0.005, 360) {ours:.2f} us/call; qelfin.depsl(3, 1000, 10) "
          f"{depsl:.2f} us; qelfin.call {single:.2f} us; numpy-financial pmt on scalars {npf:.2f} us")


def entry_loop_ns(binary):
    """ns per row of the module's plain entry loop (the C++ benchmark)."""
    out = subprocess.run([binary, "--benchmark_filter=Rows_EntryLoop/MORT", "--benchmark_format=json",
                          "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
                         capture_output=True, text=True, check=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("aggregate_name") == "median"]
    return 1e9 / runs[0]["items_per_second"]


def bench_mort(count, binary):
    x = np.tile(np.arange(4096) % 97, count // 4096 + 1)[:count].astype(np.float64)
    a, r, n = 50000 + 100 * x, 0.004 + x * 1e-5, np.full(count, 360.0)  # the C++ benchmark's loans
    ours, t_ours = best(lambda: qelfin.mort(a, None, r, n), 3)
    theirs, t_npf = best(lambda: npf_pmt(r, n, a), 3)
    _, t_bare = best(lambda: a * r / (1 - (1 + r) ** -n), 3)
    ns = 1e9 / count
    line = f"mort over {count:,} elements: qelfin {t_ours * ns:.1f} ns/element"
    if binary:
        loop = entry_loop_ns(binary)
        line += f", the module's plain entry loop {loop:.1f} ns ({t_ours * ns / loop:.2f}x)"
    print(line + f", numpy-financial pmt {t_npf * ns:.1f} ns ({t_ours / t_npf:.2f}x its time), "
          f"closed form {t_bare * ns:.1f} ns ({t_ours / t_bare:.2f}x)")
    print(f"  largest relative difference from pmt: {np.max(np.abs(ours + theirs) / ours):.2e}")


def bench_irr(series, flows_each):
    rng = np.random.default_rng(2)
    flows = rng.uniform(20, 60, (series, flows_each))
    flows[:, 0] = -rng.uniform(500, 1500, series)
    long = pd.DataFrame({"project": np.repeat(np.arange(series), flows_each),
                         "year": np.tile(np.arange(2000, 2000 + flows_each), series), "flow": flows.ravel()})
    shuffled = long.sample(frac=1, random_state=1)
    ours, t_wide = best(lambda: qelfin.irr(1, flows, warnings=False))
    by_group, t_long = best(lambda: qelfin.irr(1, long["flow"], by=long["project"], period=long["year"]))
    _, t_shuffled = best(lambda: qelfin.irr(1, shuffled["flow"], by=shuffled["project"], period=shuffled["year"]))
    assert (by_group.to_numpy().view(np.int64) == ours.view(np.int64)).all()
    theirs, t_npf = best(lambda: np.array([npf_irr(f) for f in flows[:1000]]), 1)
    us = 1e6 / series
    print(f"irr over {series:,} series of {flows_each} flows: wide {t_wide * us:.2f} us/series; long format "
          f"{t_long * us:.2f} us ({t_long / t_wide:.2f}x the wide time), shuffled rows {t_shuffled * us:.2f} us "
          f"({t_shuffled / t_wide:.2f}x); numpy-financial's method {t_npf * 1e3:.0f} us/series")


PEAK = "int(next(l for l in open('/proc/self/status') if l.startswith('VmHWM')).split()[1]) * 1024"
NPV_CHILD = """if True:
    import time, numpy as np, qelfin
    f = np.random.default_rng(1).normal(0, 100, {count})
    start = time.process_time()
    qelfin.npv(5, 1, f)
    took = time.process_time() - start
    print(took, {peak}, f.nbytes)"""


def bench_npv(count):
    took, peak, size = map(float, subprocess.run([sys.executable, "-c", NPV_CHILD.format(count=count, peak=PEAK)],
                                                 capture_output=True, text=True, check=True).stdout.split())
    base = float(subprocess.run([sys.executable, "-c", f"import numpy, qelfin; print({PEAK})"],
                                capture_output=True, text=True, check=True).stdout)
    print(f"npv over one series of {count:,} flows: {took:.2f} s; peak {peak / 2**20:.0f} MiB, of which the "
          f"interpreter {base / 2**20:.0f} MiB and the flows {size / 2**20:.0f} MiB: the call added "
          f"{(peak - base - size) / size:.2f}x the flows' size")


if __name__ == "__main__":
    scale = float(sys.argv[1]) if len(sys.argv) > 1 else 1.0  # e.g. 0.1 for a quick look
    binary = sys.argv[2] if len(sys.argv) > 2 else None
    bench_scalar()
    bench_mort(int(10_000_000 * scale), binary)
    bench_irr(int(10_000 * scale), 60)
    bench_npv(int(30_000_000 * scale))
