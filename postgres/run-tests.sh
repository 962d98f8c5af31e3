#!/bin/bash
# Runs the extension's regression tests (sql/*.sql against expected/*.out)
# with pg_regress on a throwaway server started by pg_virtualenv, then the
# argument names the installed functions declare against the catalogue, the
# cross-check of SQL against the Python package's columns and the schedules'
# check of SQL, Python and qelhost (build/x64/qelhost).  The extension
# must be installed (scripts/pg.sh install) and the package too
# (scripts/test_python.sh installs it in build/python-venv).
set -euo pipefail
cd "$(dirname "$0")"
out=$(mktemp -d /tmp/qelfin-regress.XXXXXX)
chmod 777 "$out"
tests=(functions missing notes aggregates parallel extension schedules)
status=0
pg_virtualenv -v "$(pg_config --version | sed -E 's/^PostgreSQL ([0-9]+).*/\1/')" bash -c "
    $(pg_config --pkglibdir)/pgxs/src/test/regress/pg_regress --bindir=$(pg_config --bindir) \
        --inputdir=. --outputdir='$out' --dbname=qelfin_regress ${tests[*]} &&
    bash catalogue_check.sh ../build/x64/postgres/qelfin_pg_catalogue --database qelfin_regress &&
    ../build/python-venv/bin/python cross_check.py &&
    ../build/python-venv/bin/python schedules_check.py
" || status=$?
if [ $status -ne 0 ] && [ -f "$out/regression.diffs" ]; then cat "$out/regression.diffs"; fi
# QELFIN_KEEP_RESULTS=dir keeps the outputs (results/*.out) for a look.
if [ -n "${QELFIN_KEEP_RESULTS:-}" ]; then rm -rf "$QELFIN_KEEP_RESULTS"; mv "$out" "$QELFIN_KEEP_RESULTS"; else rm -rf "$out"; fi
exit $status
