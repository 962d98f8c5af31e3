#!/bin/bash
# Benchmark of the PostgreSQL extension (not a test) on a throwaway server:
# 1,000,000 loans, 10,000 projects of 60 periods, 1,000,000 projects of 24
# periods, a running window over 20,000 rows and the memory of one npv call
# over 10,000,000 flows.
#   - sum(mort(...)) against the closed-form payment in plain SQL and a bare
#     scan-and-sum, serial, then mort with two parallel workers;
#   - irr_agg per project (ORDER BY period, and with the period as an
#     argument) against a PL/pgSQL Newton IRR over the same flows,
#     and the two functions alone over arrays of the flows; the ratio of
#     the Newton IRR's time to irr_agg(1, period, flow)'s;
#   - irr_agg(1, period, flow) per project over 1,000,000 projects x 24
#     periods, serial and with two parallel workers (plan and ratio);
#   - a running npv_agg over 20,000 rows in period order;
#   - the backend's peak memory (VmHWM) reading a 10,000,000-element array
#     from a table, without and with npv over it (each in a fresh session).
# Each query runs once to warm the cache, then three times; the best time is
# printed.  work_mem is 256MB for every query, so that grouping 10,000 series
# stays in memory.  The extension must be installed (scripts/pg.sh install).
set -euo pipefail
cd "$(dirname "$0")/.."
loans=${QELFIN_BENCH_LOANS:-1000000}
projects=${QELFIN_BENCH_PROJECTS:-10000}
big=${QELFIN_BENCH_BIG_PROJECTS:-1000000}

pg_virtualenv -v "$(pg_config --version | sed -E 's/^PostgreSQL ([0-9]+).*/\1/')" -o shared_buffers=512MB -o work_mem=256MB -o max_parallel_workers_per_gather=2 bash -s "$loans" "$projects" "$big" <<'RUN'
set -euo pipefail
loans=$1
projects=$2
big=$3
psql -X -q -v ON_ERROR_STOP=1 -v loans="$loans" -v projects="$projects" -v loans_table=loans -v flows_table=flows <<SQL
CREATE EXTENSION qelfin;
\i bench/postgres/irr_newton.sql
\i postgres/sample_book.sql
VACUUM ANALYZE loans, flows;
SQL

best() {  # best <label> <settings> <query>: best of three runs after one warm-up, in ms (also in $ms)
    ms=$(printf '%s\n\\timing on\n%s\n%s\n%s\n%s\n' "$2" "$3" "$3" "$3" "$3" | psql -X -q | sed -n 's/^Time: \([0-9.]*\) ms.*/\1/p' | tail -3 | sort -n | head -1)
    printf '%-44s %10.1f ms\n' "$1" "$ms"
}
ratio() { awk -v a="$2" -v b="$3" -v l="$1" 'BEGIN { printf "%-44s %10.1fx\n", l, a / b }'; }
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
by_period=$ms
best "PL/pgSQL Newton IRR per project" "$serial" \
    "SELECT sum(r) FROM (SELECT newton_irr(array_agg(flow ORDER BY period)) AS r FROM flows GROUP BY project) s;"
ratio "ratio: Newton IRR / irr_agg(1, period, flow)" "$ms" "$by_period"
# The functions alone, on the flows of each project already in one array.
psql -X -q -c "CREATE TABLE series AS SELECT project, array_agg(flow ORDER BY period) AS flows FROM flows GROUP BY project;"
best "irr(1, VARIADIC flows) over arrays" "$serial" "SELECT sum(irr(1, VARIADIC flows)) FROM series;"
best "newton_irr(flows) over arrays" "$serial" "SELECT sum(newton_irr(flows)) FROM series;"

echo "== $big projects of 24 periods (stored project by project), irr_agg(1, period, flow) per project"
psql -X -q -c "CREATE TABLE big AS SELECT p AS project, t AS period,
    (CASE WHEN t = 0 THEN -2000 - p % 17 ELSE 100 + (p * 31 + t * 17) % 150 END)::float8 AS flow
    FROM generate_series(1, $big) AS p, LATERAL generate_series(0, 23 + 0 * p) AS t;" -c "VACUUM ANALYZE big;"
big_query="SELECT sum(r) FROM (SELECT irr_agg(1, period, flow) AS r FROM big GROUP BY project) s;"
psql -X -q -c "SET work_mem = '2GB'; EXPLAIN (COSTS OFF) $big_query"
best "serial" "$serial SET work_mem = '2GB';" "$big_query"
big_serial=$ms
best "two parallel workers" "$parallel SET work_mem = '2GB';" "$big_query"
ratio "ratio: serial / parallel" "$big_serial" "$ms"

echo "== a running npv_agg over 20,000 rows in period order"
best "npv_agg(5, 1, t, flow) OVER (ORDER BY t)" "$serial" "SELECT sum(v) FROM (SELECT npv_agg(5, 1, t, (t % 7 - 3)::float8)
    OVER (ORDER BY t) AS v FROM generate_series(1, 20000) AS t) s;"
best "npv_agg(5, 1, flow) OVER (ORDER BY t)" "$serial" "SELECT sum(v) FROM (SELECT npv_agg(5, 1, (t % 7 - 3)::float8)
    OVER (ORDER BY t) AS v FROM generate_series(1, 20000) AS t) s;"

echo "== backend peak memory (VmHWM) with a 10,000,000-element array read from a table"
psql -X -q -c "CREATE TABLE one_array (a float8[]); ALTER TABLE one_array ALTER COLUMN a SET STORAGE EXTERNAL;
    INSERT INTO one_array SELECT array_agg(((i::bigint * 7919) % 1000 - 400)::float8) FROM generate_series(1, 10000000) AS i;"
peak() {  # peak <query>: VmHWM of a fresh backend after the query, in MiB
    printf '%s\n%s\n' "$1" "SELECT pg_read_file('/proc/self/status');" | psql -X -q -At | sed -n 's/^VmHWM:[^0-9]*\([0-9]*\) kB/\1/p' | awk '{ printf "%.1f", $1 / 1024 }'
}
read_only=$(peak "SELECT array_length(a, 1) FROM one_array;")
with_npv=$(peak "SELECT npv(5, 1, VARIADIC a) FROM one_array;")
printf '%-44s %10s MiB\n' "reading the array (array_length)" "$read_only" "npv(5, 1, VARIADIC a)" "$with_npv"
awk -v a="$read_only" -v b="$with_npv" 'BEGIN { printf "%-44s %10.1f MiB (%.2fx the array'"'"'s 76.3 MiB)\n", "added by npv", b - a, (b - a) / 76.3 }'

echo "== agreement: largest difference between irr_agg and the Newton IRR (percent)"
psql -X -At -c "SELECT max(abs(i - 100 * n)) FROM (SELECT irr_agg(1, flow ORDER BY period) AS i,
    newton_irr(array_agg(flow ORDER BY period)) AS n FROM flows GROUP BY project) s;"
RUN
