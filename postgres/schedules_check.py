#!/usr/bin/env python3
"""A 360-payment loan's schedule, unrounded and bank-style, and the rates of
IRR(1, -100, 230, -132), from SQL (psql, the server in PG* variables), from
the Python package and from qelhost (build/x64/qelhost): every figure the
same double on all three.  Run it with the Python of build/python-venv."""
import json
import subprocess
import sys
from pathlib import Path

import qelfin

ROOT = Path(__file__).resolve().parent.parent
LOAN = (250000, None, 0.045 / 12, 360)
FLOWS = (1, -100, 230, -132)


def sql(database, query):
    out = subprocess.run(["psql", "-X", "-q", "-At", "-F", ",", "-v", "ON_ERROR_STOP=1", "-d", database, "-c", query],
                         capture_output=True, text=True, check=True).stdout
    return [[float(x) for x in line.split(",")] for line in out.split("\n") if line]


def qelhost(*args):
    out = subprocess.run([str(ROOT / "build" / "x64" / "qelhost"), *args], capture_output=True, text=True, check=True)
    return out.stdout


def main(database="qelfin_schedules"):
    subprocess.run(["createdb", database], check=True)
    subprocess.run(["psql", "-X", "-q", "-d", database, "-c", "CREATE EXTENSION qelfin"], check=True)
    try:
        failures = 0
        call = "MORT(%r, ., %r, %r)" % (LOAN[0], LOAN[2], LOAN[3])
        for decimals in (None, 2):
            frame = qelfin.mort_schedule(*LOAN, decimals=decimals)
            mine = [[float(k)] + list(row) for k, row in zip(frame.index, frame.to_numpy().tolist())]
            args = ["schedule", call, "--json"] + ([] if decimals is None else ["--decimals", str(decimals)])
            host = [[r[c] for c in ("period", "payment", "interest", "principal", "balance")]
                    for r in map(json.loads, qelhost(*args).splitlines()) if r["period"] != "total"]
            server = sql(database, "SELECT * FROM mort_schedule(%r, NULL, %r, %r, decimals => %s) ORDER BY period"
                         % (LOAN[0], LOAN[2], LOAN[3], "NULL" if decimals is None else decimals))
            same = mine == host == server and len(mine) == 360 and mine[-1][4] == 0
            failures += not same
            print("360-payment schedule, decimals %s: %s" % (decimals, "the same on all three" if same else "DIFFERS"))
        rates = [list(qelfin.irr_rates(FLOWS[0], FLOWS[1:]))]
        rates.append([float(x) for x in qelhost("rates", "IRR(%s)" % ", ".join(map(str, FLOWS))).split()])
        rates.append(sql(database, "SELECT unnest(irr_rates(%s))" % ", ".join(map(str, FLOWS))))
        rates[2] = [r[0] for r in rates[2]]
        same = rates[0] == rates[1] == rates[2] and len(rates[0]) == 2
        failures += not same
        print("rates of IRR(1, -100, 230, -132): %s" % (rates[0] if same else rates))
    finally:
        subprocess.run(["dropdb", database], check=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
