"""20,000,000 loans' payments on a distributed.LocalCluster of two worker
processes against one in-process call (the figures are the same bit for
bit; the time is what two processes on this machine give).

  build/python-venv/bin/python python/bench/bench_dask.py [loans]
"""
import sys
import time

import dask.array as da
import distributed
import numpy as np

import qelfin


def main(count):
    rng = np.random.default_rng(3)
    amounts, rates = rng.uniform(1e3, 1e6, count), rng.uniform(0.001, 0.01, count)
    start = time.perf_counter()
    local = qelfin.mort(amounts, None, rates, 360)
    t_local = time.perf_counter() - start
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        a = client.persist(da.from_array(amounts, chunks=1_000_000))
        r = client.persist(da.from_array(rates, chunks=1_000_000))
        distributed.wait([a, r])
        start = time.perf_counter()
        lazy = qelfin.mort(a, None, r, 360)
        on_workers = client.persist(lazy)
        distributed.wait(on_workers)
        t_workers = time.perf_counter() - start
        same = (on_workers.compute().view(np.int64) == local.view(np.int64)).all()
    print(f"mort over {count:,} loans: one process {t_local:.2f} s, two workers {t_workers:.2f} s "
          f"({t_local / t_workers:.2f}x faster), the data already on the workers; bit-identical: {same}")


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 20_000_000)
