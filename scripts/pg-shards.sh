#!/bin/bash
# Sharding with PostgreSQL's own machinery: a coordinator and two shard
# servers on this machine (throwaway clusters, local sockets only), each
# with the extension.  Loans and project cash flows are hash-partitioned on
# the coordinator into postgres_fdw foreign tables on the shards, the same
# rows are kept in plain tables on the coordinator, and the same queries
# run both ways: the figures must agree, and EXPLAIN VERBOSE must show the
# qelfin calls in each Remote SQL.  The extension must be installed
# (scripts/pg.sh install).  QELFIN_SHARD_LOANS, QELFIN_SHARD_PROJECTS size
# the data.
set -euo pipefail
cd "$(dirname "$0")/.."

loans=${QELFIN_SHARD_LOANS:-100000}
projects=${QELFIN_SHARD_PROJECTS:-2000}
bin=$(pg_config --bindir)
dir=$(mktemp -d /tmp/qelfin-shards.XXXXXX)
chmod 755 "$dir"
as_postgres=()
if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$dir"
    as_postgres=(runuser -u postgres --)
fi
names=(coordinator shard1 shard2)
# The port only names the socket in the private directory: nothing listens on TCP.
ports=(5432 5433 5434)

stop() {
    for i in 0 1 2; do
        [ -f "$dir/${names[$i]}/postmaster.pid" ] &&
            "${as_postgres[@]}" "$bin/pg_ctl" -D "$dir/${names[$i]}" -m immediate stop >/dev/null 2>&1 || true
    done
    rm -rf "$dir"
}
trap stop EXIT

for i in 0 1 2; do
    "${as_postgres[@]}" "$bin/initdb" -D "$dir/${names[$i]}" -U postgres --auth=trust >/dev/null
    "${as_postgres[@]}" "$bin/pg_ctl" -D "$dir/${names[$i]}" -l "$dir/${names[$i]}.log" -w \
        -o "-k $dir -p ${ports[$i]} -c listen_addresses='' -c max_worker_processes=8" start >/dev/null
done

sql() {  # sql <server index> [psql options...]: runs standard input
    local i=$1
    shift
    "${as_postgres[@]}" psql -X -q -At -v ON_ERROR_STOP=1 -h "$dir" -p "${ports[$i]}" -U postgres -d postgres "$@"
}

echo "== coordinator on port ${ports[0]}, shards on ${ports[1]} and ${ports[2]} (sockets in $dir)"
for i in 1 2; do
    sql "$i" <<SQL
CREATE EXTENSION qelfin;
CREATE TABLE loans_p$((i - 1)) (id int, amount float8, rate float8, term float8);
CREATE TABLE flows_p$((i - 1)) (project int, period int, flow float8);
SQL
done

sql 0 <<SQL
CREATE EXTENSION qelfin;
CREATE EXTENSION postgres_fdw;
CREATE SERVER shard1 FOREIGN DATA WRAPPER postgres_fdw
    OPTIONS (host '$dir', port '${ports[1]}', dbname 'postgres', extensions 'qelfin', async_capable 'true', batch_size '1000');
CREATE SERVER shard2 FOREIGN DATA WRAPPER postgres_fdw
    OPTIONS (host '$dir', port '${ports[2]}', dbname 'postgres', extensions 'qelfin', async_capable 'true', batch_size '1000');
CREATE USER MAPPING FOR postgres SERVER shard1 OPTIONS (user 'postgres');
CREATE USER MAPPING FOR postgres SERVER shard2 OPTIONS (user 'postgres');

CREATE TABLE loans (id int, amount float8, rate float8, term float8) PARTITION BY HASH (id);
CREATE FOREIGN TABLE loans_p0 PARTITION OF loans FOR VALUES WITH (MODULUS 2, REMAINDER 0) SERVER shard1;
CREATE FOREIGN TABLE loans_p1 PARTITION OF loans FOR VALUES WITH (MODULUS 2, REMAINDER 1) SERVER shard2;
CREATE TABLE flows (project int, period int, flow float8) PARTITION BY HASH (project);
CREATE FOREIGN TABLE flows_p0 PARTITION OF flows FOR VALUES WITH (MODULUS 2, REMAINDER 0) SERVER shard1;
CREATE FOREIGN TABLE flows_p1 PARTITION OF flows FOR VALUES WITH (MODULUS 2, REMAINDER 1) SERVER shard2;

-- The same rows on one server.
\set loans $loans
\set projects $projects
\set loans_table loans_local
\set flows_table flows_local
$(cat postgres/sample_book.sql)
INSERT INTO loans SELECT * FROM loans_local;
INSERT INTO flows SELECT * FROM flows_local;
SQL
for i in 1 2; do sql "$i" -c "ANALYZE"; done
sql 0 -c "ANALYZE"

payments="SELECT md5(string_agg(id || ':' || coalesce(mort(amount, NULL, rate / 12, term)::text, 'null'), ',' ORDER BY id))"
large="WHERE mort(amount, NULL, rate / 12, term) > 2000"
irrs="SELECT md5(string_agg(project || ':' || coalesce(irr::text, 'null'), ',' ORDER BY project)) FROM
      (SELECT project, irr_agg(1, flow ORDER BY period) AS irr FROM"
settings="SET enable_partitionwise_aggregate = on;"
status=0
check() {  # check <what> <sharded query> <one-server query>
    local sharded one
    sharded=$(echo "$settings $2" | sql 0 | tail -1)
    one=$(echo "$3" | sql 0 | tail -1)
    if [ "$sharded" = "$one" ]; then
        echo "agree: $1 ($sharded)"
    else
        echo "DIFFER: $1: sharded $sharded, one server $one" >&2
        status=1
    fi
}
check "payments of $loans loans" "$payments FROM loans;" "$payments FROM loans_local;"
check "loans paying more than 2000" "$payments FROM loans $large;" "$payments FROM loans_local $large;"
check "IRR of $projects projects" "$irrs flows GROUP BY project) AS g;" "$irrs flows_local GROUP BY project) AS g;"
check "total payment" "SELECT sum(p)::text FROM (SELECT mort(amount, NULL, rate / 12, term) AS p FROM loans ORDER BY id) s;" \
    "SELECT sum(p)::text FROM (SELECT mort(amount, NULL, rate / 12, term) AS p FROM loans_local ORDER BY id) s;"

# The calls are shipped: one Remote SQL per shard names each function (a
# condition and a grouped aggregate; postgres_fdw ships no plain select list).
plan=$(echo "$settings EXPLAIN (VERBOSE, COSTS OFF) SELECT id, amount FROM loans $large;
             EXPLAIN (VERBOSE, COSTS OFF) SELECT project, irr_agg(1, flow ORDER BY period) FROM flows GROUP BY project;" | sql 0)
echo "$plan" | grep "Remote SQL"
for call in "public.mort(" "public.irr_agg("; do
    shipped=$(echo "$plan" | grep "Remote SQL" | grep -cF "$call" || true)
    if [ "$shipped" -eq 2 ]; then
        echo "shipped: $call to both shards"
    else
        echo "NOT SHIPPED: $call appears in $shipped Remote SQL lines" >&2
        status=1
    fi
done
exit $status
