#!/usr/bin/env python3
"""Random calls spread over all seventeen functions, evaluated through SQL
(psql against the server in PG* environment variables) and through qelhost
eval --json; the results must be identical bit for bit (PostgreSQL prints a
float8 as the shortest text that reads back exactly) and NULL exactly where
qelhost has no value."""
import argparse
import json
import math
import random
import struct
import subprocess
import sys

TVM = ["compound", "mort", "saving"]
FOUR = ["daccdb", "daccdbsl", "depdb", "depdbsl"]
THREE = ["daccsl", "daccsyd", "depsl", "depsyd"]
TAB = ["dacctab", "deptab"]
FLOWS = {"npv": 2, "netpv": 2, "irr": 1, "intrr": 1}


def number(rng, low, high, bad=0.04):
    """A value in [low, high], now and then a missing, zero or negative one."""
    r = rng.random()
    if r < bad:
        return None
    if r < 2 * bad:
        return rng.choice([0.0, -1.0, -low - 1.0, 1e300])
    return round(rng.uniform(low, high), rng.choice([0, 2, 6, 12]))


def tvm_args(rng, name):
    amount, rate, periods = rng.uniform(100, 1e6), rng.uniform(1e-4, 0.05), float(rng.randint(1, 480))
    growth = (1 + rate) ** periods
    payment = amount * rate / (1 - growth ** -1)
    first = {"compound": amount, "mort": amount, "saving": payment * ((growth - 1) / rate) * (1 + rate)}[name]
    second = amount * growth if name == "compound" else payment
    args = [first, second, rate, periods]
    args = [round(a, rng.choice([2, 6, 12])) for a in args]
    holes = rng.choices([1, 0, 2], weights=[90, 5, 5])[0]
    for i in rng.sample(range(4), holes):
        args[i] = None
    return args


def flows(rng):
    n = rng.randint(1, 40)
    out = [-rng.uniform(100, 1e5)] + [rng.uniform(-0.2, 1) * 1e4 for _ in range(n)]
    out = [round(x, rng.choice([0, 2, 8])) for x in out]
    if rng.random() < 0.05:
        out[rng.randrange(len(out))] = None
    return out


def make_call(rng):
    name = rng.choice(TVM + FOUR + THREE + TAB + list(FLOWS))
    if name in TVM:
        args = tvm_args(rng, name)
    elif name in FOUR or name in THREE:
        life = number(rng, 1, 40)
        args = [number(rng, 0, 45), number(rng, 100, 1e5), life]
        if name in FOUR:
            args.append(number(rng, 0.5, 3))
    elif name in TAB:
        table = [round(rng.random(), 4) for _ in range(rng.randint(1, 12))]
        args = [number(rng, 0, 14), number(rng, 100, 1e5)] + table
    else:
        freq = rng.choice([0.0, 1.0, 2.0, 4.0, 12.0, number(rng, 0, 12)])
        leading = [freq] if FLOWS[name] == 1 else [number(rng, 0, 20 if name == "npv" else 0.2), freq]
        args = leading + flows(rng)
    return name, args


def sql_text(x):
    return "NULL" if x is None else "'%r'::float8" % x


def host_text(x):
    return "." if x is None else repr(x)


def bits(x):
    return struct.pack("<d", x)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--qelhost", required=True)
    parser.add_argument("--calls", type=int, default=10000)
    parser.add_argument("--seed", type=int, default=16)
    parser.add_argument("--database", default="qelfin_cross")
    options = parser.parse_args()
    rng = random.Random(options.seed)
    calls = [make_call(rng) for _ in range(options.calls)]

    subprocess.run(["createdb", options.database], check=True)
    script = ["CREATE EXTENSION qelfin;", "SET qelfin.invalid = 'null';"]
    script += ["SELECT %s(%s);" % (n, ", ".join(sql_text(a) for a in args)) for n, args in calls]
    sql = subprocess.run(["psql", "-X", "-q", "-At", "-v", "ON_ERROR_STOP=1", "-d", options.database],
                         input="\n".join(script), capture_output=True, text=True, check=True).stdout.split("\n")
    subprocess.run(["dropdb", options.database], check=True)

    host = []
    for start in range(0, len(calls), 500):
        expressions = ["%s(%s)" % (n.upper(), ", ".join(host_text(a) for a in args))
                       for n, args in calls[start:start + 500]]
        out = subprocess.run([options.qelhost, "eval", "--json"] + expressions,
                             capture_output=True, text=True, check=True).stdout
        # Numbers kept as text: json would read "-0" as the integer 0.
        host += [json.loads(line, parse_int=str, parse_float=str)["calls"][0] for line in out.splitlines()]

    differ, values, functions = 0, 0, set()
    for i, ((name, args), text, h) in enumerate(zip(calls, sql, host)):
        value = float(h["value"]) if h["status"] == "0" and h["value"] is not None else None
        if value is not None and math.isnan(value):
            value = None
        mine = None if text == "" else float(text)
        same = (mine is None and value is None) or (
            mine is not None and value is not None and bits(mine) == bits(float(value)))
        if not same:
            differ += 1
            if differ <= 10:
                print("differs: %s(%s): SQL %r, qelhost %r" % (name, args, text, h), file=sys.stderr)
        values += mine is not None
        functions.add(name)
    print("cross-check: %d calls over %d functions, %d with a value, %d differ"
          % (len(calls), len(functions), values, differ))
    return 1 if differ or len(sql) < len(calls) or len(functions) != 17 else 0


if __name__ == "__main__":
    sys.exit(main())
