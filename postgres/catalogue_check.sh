#!/bin/bash
# Checks that SQL declares exactly the host's functions with the catalogue's
# argument names: each name, its arguments in order and whether a VARIADIC
# list follows.  Reads the SQL script, or with --database the functions the
# installed extension created there (their pg_proc argument names); helpers
# and schedules, whose names hold an underscore, are not in the catalogue.
# Usage: catalogue_check.sh <qelfin_pg_catalogue> <qelfin--1.0.sql | --database NAME>
set -euo pipefail
expected=$("$1")
declared=$(if [ "$2" = --database ]; then
    psql -X -At -d "$3" -c "SELECT proname || ' ' || pg_get_function_arguments(oid) FROM pg_proc
        WHERE prokind = 'f' AND oid IN (SELECT objid FROM pg_depend JOIN pg_extension e ON refobjid = e.oid
                                         WHERE e.extname = 'qelfin' AND classid = 'pg_proc'::regclass)"
else
    sed -n 's/^CREATE FUNCTION \([a-z]*\)(\(.*\))$/\1 \2/p' "$2"
fi | awk '$1 !~ /_/' | sed 's/ DEFAULT [^,]*//g; s/ float8\| double precision//g; s/\[\]//g; s/,//g' | sort)
if [ "$expected" != "$declared" ]; then
    echo "SQL's functions differ from the host's catalogue (expected, then declared in ${3:-$2}):" >&2
    diff <(echo "$expected") <(echo "$declared") >&2 || true
    exit 1
fi
echo "$(echo "$expected" | wc -l) functions and their argument names agree with the host's catalogue"
