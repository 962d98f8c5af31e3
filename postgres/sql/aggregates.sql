-- The cash-flow aggregates over one row per period: ORDER BY, GROUP BY,
-- NULL flows, window functions, and the longest series the module takes.
CREATE TABLE flows (project int, period int, flow float8);
INSERT INTO flows VALUES
  (1, 0, -100), (1, 2, 60), (1, 1, 60),
  (2, 0, -1000), (2, 1, 300), (2, 2, 400), (2, 3, 500),
  (3, 0, 100), (3, 1, 110);

-- Each group equals the function on its flows written out in period order.
SELECT project,
       irr_agg(1, flow ORDER BY period) IS NOT DISTINCT FROM CASE project WHEN 1 THEN irr(1, -100, 60, 60)
           WHEN 2 THEN irr(1, -1000, 300, 400, 500) ELSE irr(1, 100, 110) END AS irr_same,
       intrr_agg(1, flow ORDER BY period) IS NOT DISTINCT FROM CASE project WHEN 1 THEN intrr(1, -100, 60, 60)
           WHEN 2 THEN intrr(1, -1000, 300, 400, 500) ELSE intrr(1, 100, 110) END AS intrr_same,
       npv_agg(10, 1, flow ORDER BY period) = CASE project WHEN 1 THEN npv(10, 1, -100, 60, 60)
           WHEN 2 THEN npv(10, 1, -1000, 300, 400, 500) ELSE npv(10, 1, 100, 110) END AS npv_same,
       netpv_agg(0.1, 1, flow ORDER BY period) AS netpv
FROM flows GROUP BY project ORDER BY project;

-- The order of the rows matters, and ORDER BY gives it.
SELECT npv_agg(10, 1, flow ORDER BY period) <> npv_agg(10, 1, flow ORDER BY period DESC) AS ordered
FROM flows WHERE project = 1;

-- A NULL flow is a missing flow; an empty group has no value.
SELECT npv_agg(10, 1, flow ORDER BY period) = npv(10, 1, -100, NULL, 60) AS missing_flow
FROM (VALUES (0, -100::float8), (1, NULL), (2, 60)) AS t(period, flow);
SELECT irr_agg(1, flow) IS NULL AS empty FROM flows WHERE false;

-- The leading arguments must not change within a group.
SELECT npv_agg(period, 1, flow ORDER BY period) FROM flows WHERE project = 2;

-- As a window function: the running IRR of each project, equal to the
-- function on the flows so far (the first period alone has no rate).
SELECT project, period,
       irr_agg(1, flow) OVER w AS running,
       irr_agg(1, flow) OVER w IS NOT DISTINCT FROM
         irr(1, VARIADIC array_agg(flow) OVER w) AS same
FROM flows WHERE project = 2
WINDOW w AS (PARTITION BY project ORDER BY period) ORDER BY period;

-- 32 767 flows, the most IRR takes: -1 then 32 766 flows of 0.0001 has a
-- positive rate; the aggregate and the array agree.  One more is refused.
SET qelfin.invalid = 'null';
SELECT irr_agg(1, CASE WHEN i = 0 THEN -1 ELSE 0.0001 END ORDER BY i) > 0 AS has_rate,
       irr_agg(1, CASE WHEN i = 0 THEN -1 ELSE 0.0001 END ORDER BY i)
         = irr(1, VARIADIC array_agg(CASE WHEN i = 0 THEN -1 ELSE 0.0001 END ORDER BY i)) AS same
FROM generate_series(0, 32766) AS i;
SELECT irr_agg(1, CASE WHEN i = 0 THEN -1 ELSE 0.0001 END ORDER BY i) IS NULL AS too_many
FROM generate_series(0, 32767) AS i;
RESET qelfin.invalid;
-- With the period as an argument the aggregate orders the flows itself:
-- the figures of ORDER BY period, whatever order the rows come in.
SELECT project,
       irr_agg(1, period, flow) IS NOT DISTINCT FROM irr_agg(1, flow ORDER BY period) AS irr_same,
       intrr_agg(1, period, flow) IS NOT DISTINCT FROM intrr_agg(1, flow ORDER BY period) AS intrr_same,
       npv_agg(10, 1, period, flow) = npv_agg(10, 1, flow ORDER BY period) AS npv_same,
       netpv_agg(0.1, 1, period, flow) = netpv_agg(0.1, 1, flow ORDER BY period) AS netpv_same
FROM (SELECT * FROM flows ORDER BY period DESC) AS reversed GROUP BY project ORDER BY project;
SELECT period, irr_agg(1, period, flow) OVER w IS NOT DISTINCT FROM irr_agg(1, flow) OVER w AS running_same
FROM flows WHERE project = 2 WINDOW w AS (ORDER BY period) ORDER BY period;
-- Every row needs its period.
SELECT irr_agg(1, NULL, flow) FROM flows;

DROP TABLE flows;

