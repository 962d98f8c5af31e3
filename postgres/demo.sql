-- Example queries of scripts/pg.sh demo.
CREATE EXTENSION qelfin;
\echo 'The monthly payment of 50 000 over 30 years at 6 % a year, and the rate that a payment of 320 implies:'
SELECT mort(50000, NULL, 0.06 / 12, 360) AS payment,
       12 * mort(50000, 320, NULL, 360) AS annual_rate;

\echo 'Depreciation of an asset of 10 000 over 5 years, period by period:'
SELECT year, depsl(year, 10000, 5) AS straight_line, depsyd(year, 10000, 5) AS sum_of_years,
       depdbsl(year, 10000, 5, 2) AS double_declining, daccdbsl(year, 10000, 5, 2) AS accumulated
FROM generate_series(1, 5) AS year;

\echo 'Cash flows one row per period: IRR and NPV per project, and the running IRR:'
CREATE TEMP TABLE flows (project text, period int, flow float8);
INSERT INTO flows VALUES ('mill', 0, -5000), ('mill', 1, 1200), ('mill', 2, 1900), ('mill', 3, 2400),
    ('mill', 4, 1100), ('shop', 0, -800), ('shop', 1, 300), ('shop', 2, 300), ('shop', 3, 300);
SELECT project, irr_agg(1, flow ORDER BY period) AS irr_percent,
       npv_agg(8, 1, flow ORDER BY period) AS npv_at_8_percent
FROM flows GROUP BY project ORDER BY project;
SELECT project, period, flow, irr_agg(1, flow) OVER (PARTITION BY project ORDER BY period) AS running_irr
FROM flows ORDER BY project, period;

\echo 'Flows that change sign twice: IRR returns a rate with a note:'
SELECT irr(1, -100, 230, -132) AS irr;

\echo 'A refused argument: NULL and a notice (qelfin.invalid = notice):'
SELECT depsl(1, 10000, 0) AS depsl;
