#!/bin/bash
# Benchmark of the PostgreSQL extension (not a test) on a throwaway server:
# 1,000,000 loans and 10,000 projects of 60 periods.
#   - sum(mort(...)) against the closed-form payment in plain SQL and a bare
#     scan-and-sum, serial, then mort with two parallel workers;
#   - irr_agg per project (ORDER BY period, and with the period as an
#     argument) against a PL/pgSQL Newton IRR over the same flows,
#     and the two functions alone over arrays of the flows.
# Each query runs once to warm the cache, then three times; the best time is
# printed.  work_mem is 256MB for every query, so that grouping 10,000 series
# stays in memory.  The extension must be installed (scripts/pg.sh install).
set -euo pipefail
cd "$(dirname "$0")/.."
loans=${QELFIN_BENCH_LOANS:-1000000}
projects=${QELFIN_BENCH_PROJECTS:-10000}

pg_virtualenv -v "$(pg_config --version | sed -E 's/^PostgreSQL ([0-9]+).*/\1/')" -o shared_buffers=512MB -o work_mem=256MB -o max_parallel_workers_per_gather=2 bash -s "$loans" "$projects" <<'RUN'
set -euo pipefail
loans=$1
projects=$2
psql -X -q -v ON_ERROR_STOP=1 -v loans="$loans" -v projects="$projects" -v loans_table=loans -v flows_table=flows <<SQL
CREATE EXTENSION qelfin;
\i bench/postgres/irr_newton.sql
\i postgres/sample_book.sql
VACUUM ANALYZE loans, flows;
SQL

best() {  # best <label> <settings> <query>: best of three runs after one warm-up, in ms
    local times
    times=$(printf '%s\n\\timing on\n%s\n%s\n%s\n%s\n' "$2" "$3" "$3" "$3" "$3" | psql -X -q | sed -n 's/^Time: \([0-9.]*\) ms.*/\1/p' | tail -3 | sort -n | head -1)
    printf '%-44s %10.1f ms\n' "$1" "$times"
}
serial="SET max_parallel_workers_per_gather = 0;"
parallel="SET max_parallel_workers_per_gather = 2;"
echo "== $loans loans"
best "scan and sum (sum(amount))" "$serial" "SELECT sum(amount) FROM loans;"
best "closed form in SQL" "$serial" "SELECT sum(amount * (rate / 12) / (1 - power(1 + rate / 12, -term))) FROM loans;"
best "sum(mort(amount, NULL, rate/12, term))" "$serial" "SELECT sum(mort(amount, NULL, rate / 12, term)) FROM loans;"
best "the same, two parallel workers" "$parallel" "SELECT sum(mort(amount, NULL, rate / 12, term)) FROM loans;"
best "closed form, two parallel workers" "$parallel" "SELECT sum(amount * (rate / 12) / (1 - power(1 + rate / 12, -term))) FROM loans;"
echo "== $projects projects of 60 periods"
best "irr_agg(1, flow ORDER BY period) per project" "$serial" \
    "SELECT sum(r) FROM (SELECT irr_agg(1, flow ORDER BY period) AS r FROM flows GROUP BY project) s;"
best "irr_agg(1, period, flow) per project" "$serial" \
    "SELECT sum(r) FROM (SELECT irr_agg(1, period, flow) AS r FROM flows GROUP BY project) s;"
best "PL/pgSQL Newton IRR per project" "$serial" \
    "SELECT sum(r) FROM (SELECT newton_irr(array_agg(flow ORDER BY period)) AS r FROM flows GROUP BY project) s;"
# The functions alone, on the flows of each project already in one array.
psql -X -q -c "CREATE TABLE series AS SELECT project, array_agg(flow ORDER BY period) AS flows FROM flows GROUP BY project;"
best "irr(1, VARIADIC flows) over arrays" "$serial" "SELECT sum(irr(1, VARIADIC flows)) FROM series;"
best "newton_irr(flows) over arrays" "$serial" "SELECT sum(newton_irr(flows)) FROM series;"
echo "== agreement: largest difference between irr_agg and the Newton IRR (percent)"
psql -X -At -c "SELECT max(abs(i - 100 * n)) FROM (SELECT irr_agg(1, flow ORDER BY period) AS i,
    newton_irr(array_agg(flow ORDER BY period)) AS n FROM flows GROUP BY project) s;"
RUN
