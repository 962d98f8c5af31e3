#!/bin/bash
# Runs the extension's regression tests (sql/*.sql against expected/*.out)
# with pg_regress on a throwaway server started by pg_virtualenv, then the
# cross-check of SQL against the Python package's columns.  The extension
# must be installed (scripts/pg.sh install) and the package too
# (scripts/test_python.sh installs it in build/python-venv).
set -euo pipefail
cd "$(dirname "$0")"
out=$(mktemp -d /tmp/qelfin-regress.XXXXXX)
chmod 777 "$out"
tests=(functions missing notes aggregates parallel)
status=0
pg_virtualenv -v 15 bash -c "
    $(pg_config --pkglibdir)/pgxs/src/test/regress/pg_regress --bindir=/usr/lib/postgresql/15/bin \
        --inputdir=. --outputdir='$out' --dbname=qelfin_regress ${tests[*]} &&
    ../build/python-venv/bin/python cross_check.py
" || status=$?
if [ $status -ne 0 ] && [ -f "$out/regression.diffs" ]; then cat "$out/regression.diffs"; fi
rm -rf "$out"
exit $status
