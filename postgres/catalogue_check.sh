#!/bin/bash
# Checks that the SQL script declares exactly the host's functions: each
# name, its number of fixed arguments and whether a VARIADIC list follows.
# Usage: catalogue_check.sh <qelfin_pg_catalogue> <qelfin--1.0.sql>
set -euo pipefail
expected=$("$1")
declared=$(sed -n 's/^CREATE FUNCTION \([a-z]*\)(\(.*\))$/\1 \2/p' "$2" |
    awk '{ name = $1; $1 = ""; n = split($0, parts, ","); variadic = ($0 ~ /VARIADIC/);
           print name, n - variadic, variadic ? "variadic" : "fixed" }' | sort)
if [ "$expected" != "$declared" ]; then
    echo "the SQL script's functions differ from the host's catalogue:" >&2
    diff <(echo "$expected") <(echo "$declared") >&2 || true
    exit 1
fi
echo "17 functions agree with the host's catalogue"
