#!/usr/bin/env python3
"""The random calls of the Python package's cross-check (10,000 over the
seventeen functions), evaluated through SQL (psql against the server in PG*
environment variables) and through the package's columns; the results must
be identical bit for bit (PostgreSQL prints a float8 as the shortest text
that reads back exactly) and NULL exactly where the package has no value.
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
    sql = subprocess.run(["psql", "-X", "-q", "-At", "-v", "ON_ERROR_STOP=1", "-d", database],
                         input="\n".join(script), capture_output=True, text=True, check=True).stdout.split("\n")
    subprocess.run(["dropdb", database], check=True)

    differ, values = 0, 0
    for (name, args), text, value in zip(calls, sql, expected):
        mine = None if text == "" else float(text)
        same = (mine is None) == np.isnan(value) and (
            mine is None or struct.pack("<d", mine) == struct.pack("<d", value))
        if not same:
            differ += 1
            if differ <= 10:
                print("differs: %s(%s): SQL %r, package %r" % (name, args, text, value), file=sys.stderr)
        values += mine is not None
    print("cross-check: %d calls over %d functions, %d with a value, %d differ"
          % (len(calls), len(qelfin.CATALOGUE), values, differ))
    return 1 if differ or len(sql) < len(calls) or len(calls) < 10_000 or len(qelfin.CATALOGUE) != 17 else 0


if __name__ == "__main__":
    sys.exit(main())
