-- A generated loan book and project cash flows, the same rows wherever they
-- are made (the benchmark, the sharding check): psql variables `loans` and
-- `projects` give the sizes, `loans_table` and `flows_table` the names.
-- Loans: amounts 1,000 to 501,000, annual rates 2 % to 10.8 %, terms of
-- 1 to 30 years in months.  Projects: an outlay, then 59 varying returns.
CREATE TABLE :loans_table AS
SELECT i AS id, (1000 + (i::bigint * 7919) % 500000)::float8 AS amount,
       (0.02 + (i % 89) / 1000.0)::float8 AS rate, (12 * (1 + i % 30))::float8 AS term
FROM generate_series(1, :loans) AS i;
CREATE TABLE :flows_table AS
SELECT p AS project, t AS period,
       (CASE WHEN t = 0 THEN -10000 - (p % 17) * 100 ELSE 100 + (p * 31 + t * 17) % 400 END)::float8 AS flow
FROM generate_series(1, :projects) AS p, generate_series(0, 59) AS t;
