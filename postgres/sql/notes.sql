-- Notes 201 and 202 of IRR and INTRR and the refusal NOTICEs, both limited
-- per call site: one call in one query, over all its rows.

-- Twelve rows of one call site whose flows change sign twice: ten notes 201,
-- then one 202, then silence.  The rates are still returned.  (The flows
-- depend on the row: a call on constants alone is folded at planning.)
SELECT i, round(irr(1, -100, 230 + 0 * i, -132)::numeric, 6) AS irr
FROM generate_series(1, 12) AS i;

-- A second query is a second call site: its counter starts again.  Notes
-- are warnings (SQLSTATE 01000).
\set VERBOSITY sqlstate
SELECT count(intrr(1, -100, 230 + 0 * i, -132)) FROM generate_series(1, 2) AS i;
\set VERBOSITY default

-- qelfin.invalid = notice (the default): NULL, and a NOTICE naming the
-- function, the status and the argument, ten times, then one saying no
-- more follow.
SHOW qelfin.invalid;
SELECT i, depsl(i, 1000, -1) FROM generate_series(1, 12) AS i;
SELECT compound(NULL, NULL, 0.05, 10);
SELECT npv(NULL, 1, -100, 60, 60);

-- silent: NULLs without a notice.
SET qelfin.invalid = silent;
SELECT depsl(1, 1000, -1) IS NULL AS refused;

-- error: ERROR 22023 with the same text; the statement stops.
SET qelfin.invalid = error;
\set VERBOSITY sqlstate
SELECT depsl(1, 1000, -1);
\set VERBOSITY default
SELECT i, depsl(1, 1000, 10 - i) FROM generate_series(1, 12) AS i;
SET qelfin.invalid = 'sometimes';
RESET qelfin.invalid;
