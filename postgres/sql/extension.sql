-- The extension as an object: loading that fails part-way keeps nothing
-- and reports the same error until it succeeds; every object has a
-- comment; the schema can change; the extension drops and comes back.
LOAD 'qelfin';
SET qelfin.load_fault = 1;  -- before the module is loaded
SELECT mort(50000, NULL, 0.005, 360);
SET qelfin.load_fault = 2;  -- after the host is made, before it is kept
SELECT mort(50000, NULL, 0.005, 360);
RESET qelfin.load_fault;
SELECT depsl(1, 1000, -1) IS NULL AS refused_with_reason,
       mort(50000, NULL, 0.005, 360) = mort(amount => 50000, rate => 0.005, periods => 360) AS named_mort,
       compound(100, NULL, 0.05, 10) = compound(initial => 100, rate => 0.05, periods => 10) AS named_compound,
       saving(NULL, 100, 0.01, 12) = saving(payment => 100, rate => 0.01, periods => 12) AS named_saving;

-- Unit hints: once per call site, with SQLSTATE 01000; off with qelfin.hints.
SELECT count(mort(50000, NULL, 6 + 0 * i, 360)) FROM generate_series(1, 3) AS i;
\set VERBOSITY sqlstate
SELECT count(npv(0.1, 1, -100, 60 + i)) FROM generate_series(1, 3) AS i;
\set VERBOSITY default
SET qelfin.hints = off;
SELECT count(mort(50000, NULL, 6 + 0 * i, 360)) FROM generate_series(1, 3) AS i;
RESET qelfin.hints;

SELECT count(*) AS objects, count(*) FILTER (WHERE obj_description(objid, 'pg_proc') IS NULL) AS uncommented
FROM pg_depend WHERE refobjid = (SELECT oid FROM pg_extension WHERE extname = 'qelfin') AND classid = 'pg_proc'::regclass;

CREATE SCHEMA finance;
ALTER EXTENSION qelfin SET SCHEMA finance;
SELECT finance.npv_agg(10, 1, p, f) = finance.npv(10, 1, -100, 0, 60) AS moved
FROM (VALUES (0, -100), (2, 60)) AS t(p, f);
DROP EXTENSION qelfin;
SELECT count(*) AS left_behind FROM pg_proc WHERE proname LIKE '%irr%';
CREATE EXTENSION qelfin SCHEMA public;
DROP SCHEMA finance;
