#!/bin/bash
# Runs the extension's regression tests (sql/*.sql against expected/*.out)
# with pg_regress on a throwaway server started by pg_virtualenv, then the
# cross-check of SQL against the column API.  The extension must be
# installed (scripts/pg.sh install).
set -euo pipefail
cd "$(dirname "$0")"
out=$(mktemp -d /tmp/qelfin-regress.XXXXXX)
chmod 777 "$out"
tests=(functions missing notes aggregates parallel)
status=0
pg_virtualenv -v 15 bash -c "
    $(pg_config --pkglibdir)/pgxs/src/test/regress/pg_regress --bindir=/usr/lib/postgresql/15/bin \
        --inputdir=. --outputdir='$out' --dbname=qelfin_regress ${tests[*]} &&
    python3 cross_check.py --qelhost ../build/x64/qelhost --calls \${QELFIN_CROSS_CALLS:-10000}
" || status=$?
if [ $status -ne 0 ] && [ -f "$out/regression.diffs" ]; then cat "$out/regression.diffs"; fi
rm -rf "$out"
exit $status
