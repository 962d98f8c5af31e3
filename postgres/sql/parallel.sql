-- Results under forced parallel plans equal the serial ones, row by row.
CREATE TABLE loans AS
SELECT i AS id, (1000 + (i * 7919) % 500000)::float8 AS amount, (0.01 + (i % 97) / 1000.0)::float8 AS rate,
       (12 * (1 + i % 30))::float8 AS term
FROM generate_series(1, 20000) AS i;
-- Cash flows with gaps (no row for some periods) and several rows in others,
-- stored in no period order.
CREATE TABLE cashflows AS
SELECT p AS project, t AS period, (CASE WHEN t = 0 THEN -1000.0 ELSE 30 + (p * t * k) % 70 - k / 3.0 END)::float8 AS flow
FROM generate_series(1, 300) AS p, generate_series(0, 24) AS t, generate_series(1, 3) AS k
WHERE ((p + t) % 5 <> 2 OR t = 0) AND (k = 1 OR (p * t) % 4 = 1) ORDER BY md5(p || ' ' || t || ' ' || k);
ANALYZE loans, cashflows;

SET max_parallel_workers_per_gather = 0;
CREATE TABLE serial AS
SELECT id, mort(amount, NULL, rate / 12, term) AS payment,
       depdbsl(term / 12, amount, 30, 1.5) AS dep, irr(12, VARIADIC array_prepend(-amount, array_fill(amount / term * 1.1, ARRAY[term::int]))) AS irr
FROM loans;
CREATE TABLE serial_irr AS
SELECT project, float8send(irr_agg(1, period, flow)) AS irr, float8send(npv_agg(8, 1, period, flow)) AS npv
FROM cashflows GROUP BY project;

SET max_parallel_workers_per_gather = 2;
SET force_parallel_mode = on;
SET parallel_setup_cost = 0;
SET parallel_tuple_cost = 0;
SET min_parallel_table_scan_size = 0;
SET parallel_leader_participation = off;

-- The plan runs the calls in the workers.
EXPLAIN (COSTS OFF, VERBOSE)
SELECT id, mort(amount, NULL, rate / 12, term) FROM loans;

SELECT count(*) AS differing FROM (
  SELECT id, mort(amount, NULL, rate / 12, term) AS payment,
         depdbsl(term / 12, amount, 30, 1.5) AS dep, irr(12, VARIADIC array_prepend(-amount, array_fill(amount / term * 1.1, ARRAY[term::int]))) AS irr
  FROM loans
) AS p JOIN serial AS s USING (id)
WHERE p.payment IS DISTINCT FROM s.payment OR p.dep IS DISTINCT FROM s.dep OR p.irr IS DISTINCT FROM s.irr;

-- By-period aggregates run as partial aggregates in the workers, and give
-- the serial plan's bits.
EXPLAIN (COSTS OFF)
SELECT project, irr_agg(1, period, flow), npv_agg(8, 1, period, flow) FROM cashflows GROUP BY project;
SELECT count(*) AS projects, count(*) FILTER (WHERE p.irr IS DISTINCT FROM s.irr OR p.npv IS DISTINCT FROM s.npv) AS differing
FROM (SELECT project, float8send(irr_agg(1, period, flow)) AS irr, float8send(npv_agg(8, 1, period, flow)) AS npv
      FROM cashflows GROUP BY project) AS p JOIN serial_irr AS s USING (project);

-- The comparison covers values, not only NULLs.
RESET force_parallel_mode;
SELECT count(payment) AS payments, count(dep) AS deps, count(irr) AS irrs,
       (SELECT count(irr) + count(npv) FROM serial_irr) AS aggregates FROM serial;
DROP TABLE loans, cashflows, serial, serial_irr;
