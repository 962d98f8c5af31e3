#!/usr/bin/env python3
"""The random calls of the Python package's cross-check (10,000 over the
seventeen functions), evaluated through SQL (psql against the server in PG*
environment variables) and through the package's columns; the results must
be identical bit for bit (PostgreSQL prints a float8 as the shortest text
that reads back exactly) and NULL exactly where the package has no value.
Then cash flows in long format (projects with gaps, several flows in one
period, missing flows), by the by-period aggregates and by the package's
by=/period= form: the same figures bit for bit.
Run it with the Python of build/python-venv, where the package is installed."""
import struct
import subprocess
import sys
import warnings
from pathlib import Path

import numpy as np

import qelfin

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "python" / "tests"))
from random_calls import ROWS, arguments, columns  # noqa: E402


def sql_text(x):
    return "NULL" if np.isnan(x) else "'%r'::float8" % float(x)


def psql(database, script):
    return subprocess.run(["psql", "-X", "-q", "-At", "-v", "ON_ERROR_STOP=1", "-d", database],
                          input="\n".join(script), capture_output=True, text=True, check=True).stdout.split("\n")


def same_bits(text, value):
    mine = None if text == "" else float(text)
    return (mine is None) == np.isnan(value) and (mine is None or struct.pack("<d", mine) == struct.pack("<d", value))


LONG_CALLS = [("irr", "1"), ("intrr", "4"), ("npv", "8, 1"), ("netpv", "0.08, 12")]


def long_format(database):
    """Projects of 1 to 12 rows over periods with gaps and repeats, a few
    flows missing or large enough that the order of a sum shows."""
    rng = np.random.default_rng(44)
    project = rng.integers(0, 400, 3000)
    period = rng.integers(0, 10, 3000) + 2000 * (project % 3)
    flow = np.round(rng.normal(20, 60, 3000), 2)
    flow[period % 10 == 0] = -500
    flow[rng.random(3000) < 0.03] = np.nan
    flow[rng.random(3000) < 0.02] *= 1e15
    rows = ", ".join("(%d, %d, %s)" % (p, t, sql_text(f)) for p, t, f in zip(project, period, flow))
    differ = count = 0
    for name, leading in LONG_CALLS:
        sql = psql(database, ["SET qelfin.invalid = 'null';", "SELECT %s_agg(%s, year::float8, flow) FROM (VALUES %s) "
                              "AS t(project, year, flow) GROUP BY project ORDER BY project;" % (name, leading, rows)])
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            ours = getattr(qelfin, name)(*map(float, leading.split(",")), flow, by=project, period=period)
        for text, value in zip(sql, ours):
            count += 1
            if not same_bits(text, value):
                differ += 1
                print("long format differs: %s group %d: SQL %r, package %r" % (name, count, text, value),
                      file=sys.stderr)
    print("long format: %d groups' results from the by-period aggregates and by=/period=, %d differ" % (count, differ))
    return differ == 0 and count == 4 * len(np.unique(project))


def main(database="qelfin_cross"):
    calls, expected = [], []
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", qelfin.SeveralRatesWarning)
        for info in qelfin.CATALOGUE:
            args = arguments(info)
            expected += list(getattr(qelfin, info["name"].lower())(*args))
            cols = columns(info, args)
            calls += [(info["name"].lower(), [c[row] for c in cols]) for row in range(ROWS)]

    subprocess.run(["createdb", database], check=True)
    script = ["CREATE EXTENSION qelfin;", "SET qelfin.invalid = 'null';"]
    script += ["SELECT %s(%s);" % (n, ", ".join(sql_text(a) for a in args)) for n, args in calls]
    sql = psql(database, script)
    long_ok = long_format(database)
    subprocess.run(["dropdb", database], check=True)

    differ, values = 0, 0
    for (name, args), text, value in zip(calls, sql, expected):
        if not same_bits(text, value):
            differ += 1
            if differ <= 10:
                print("differs: %s(%s): SQL %r, package %r" % (name, args, text, value), file=sys.stderr)
        values += text != ""
    print("cross-check: %d calls over %d functions, %d with a value, %d differ"
          % (len(calls), len(qelfin.CATALOGUE), values, differ))
    return 1 if not long_ok or differ or len(sql) < len(calls) or len(calls) < 10_000 or len(qelfin.CATALOGUE) != 17 else 0


if __name__ == "__main__":
    sys.exit(main())
