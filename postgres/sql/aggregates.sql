-- The cash-flow aggregates, each case against the plain function on the
-- series the rows stand for.  With a period the period is the flow's place
-- in time: the series starts at the group's smallest period, a period with
-- no row is a flow of 0, the flows of one period add up (in ascending order
-- of value), a NULL flow is missing.
CREATE TABLE cases (name text, period float8, flow float8, series float8[]);
INSERT INTO cases SELECT c.name, r.period, r.flow, c.series FROM (VALUES
  ('in order',       '{{0,-100},{1,60},{2,60}}'::float8[],                 '{-100,60,60}'::float8[]),
  ('gap',            '{{0,-1000},{1,300},{3,900}}',                        '{-1000,300,0,900}'),
  ('duplicates',     '{{0,-1000},{1,300},{1,0.1},{1,-50},{2,900}}',         ARRAY[-1000, (-50 + 0.1::float8) + 300, 900]),
  ('negative start', '{{-2,-500},{-1,100},{1,700}}',                       '{-500,100,0,700}'),
  ('missing flow',   '{{0,-100},{1,NULL},{2,130}}',                        '{-100,NULL,130}'),
  ('missing beside', '{{0,-100},{1,NULL},{1,50},{2,80}}',                  '{-100,50,80}'),
  ('widest IRR',     '{{0,-1},{32766,2}}',                                  array_cat(array_prepend(-1::float8, array_fill(0::float8, ARRAY[32765])), ARRAY[2::float8]))
) AS c(name, rows, series), LATERAL (SELECT rows[i][1] AS period, rows[i][2] AS flow
                                     FROM generate_subscripts(rows, 1) AS i) AS r;

-- Rows given in two orders (as stored, and reversed) give the function's bits.
SELECT name, bool_and(irr IS NOT DISTINCT FROM irr(1, VARIADIC series)) AS irr,
       bool_and(intrr IS NOT DISTINCT FROM intrr(4, VARIADIC series)) AS intrr,
       bool_and(float8send(npv) = float8send(npv(10, 1, VARIADIC series))) AS npv,
       bool_and(float8send(netpv) = float8send(netpv(0.1, 12, VARIADIC series))) AS netpv
FROM (SELECT name, series, irr_agg(1, period, flow) AS irr, intrr_agg(4, period, flow) AS intrr,
             npv_agg(10, 1, period, flow) AS npv, netpv_agg(0.1, 12, period, flow) AS netpv
      FROM (SELECT * FROM cases ORDER BY name, period, flow) AS stored GROUP BY name, series
      UNION ALL
      SELECT name, series, irr_agg(1, period, flow), intrr_agg(4, period, flow),
             npv_agg(10, 1, period, flow), netpv_agg(0.1, 12, period, flow)
      FROM (SELECT * FROM cases ORDER BY name DESC, period DESC, flow DESC) AS reversed GROUP BY name, series) AS s
GROUP BY name ORDER BY name;

-- The ORDER BY form: the same series when the rows are its elements, also
-- as a running window; without any ORDER BY it is refused.
SELECT name, irr_agg(1, flow ORDER BY period) IS NOT DISTINCT FROM irr(1, VARIADIC series) AS irr,
       npv_agg(10, 1, flow ORDER BY period) = npv(10, 1, VARIADIC series) AS npv
FROM cases WHERE name IN ('in order', 'missing flow') GROUP BY name, series ORDER BY name;
SELECT period, irr_agg(1, flow) OVER w IS NOT DISTINCT FROM irr(1, VARIADIC array_agg(flow) OVER w) AS ordered
FROM cases WHERE name = 'in order' WINDOW w AS (ORDER BY period) ORDER BY period;
-- A running by-period window, extended row by row (also within a period),
-- equals the aggregate over the rows up to each row.
SELECT name, bool_and(float8send(running) IS NOT DISTINCT FROM float8send((SELECT npv_agg(10, 1, d.period, d.flow)
         FROM cases AS d WHERE d.name = c.name AND (d.period < c.period
           OR d.period = c.period AND (c.flow IS NULL OR d.flow <= c.flow))))) AS running
FROM (SELECT name, period, flow, npv_agg(10, 1, period, flow) OVER (PARTITION BY name ORDER BY period, flow
        ROWS UNBOUNDED PRECEDING) AS running FROM cases) AS c GROUP BY name ORDER BY name;
SELECT irr_agg(1, flow) FROM cases;
SELECT npv_agg(10, 1, flow) OVER () FROM cases;

-- Refused: a period that is not whole, a span wider than the module takes
-- (before anything is allocated for it), a NULL period; leading arguments
-- that differ as SQL compares them (0 = -0 and NaN = NaN do not).
SELECT irr_agg(1, p, f) FROM (VALUES (0, -100), (1.5, 110)) AS t(p, f);
SELECT irr_agg(1, p, f) FROM (VALUES (0, -1), (32767, 2)) AS t(p, f);
SELECT npv_agg(10, 1, p, f) FROM (VALUES (0, -1), (1e300, 2)) AS t(p, f);
SELECT npv_agg(10, 1, p, 1) FROM (VALUES ('Infinity'::float8)) AS t(p);
SELECT irr_agg(1, NULL, flow) FROM cases;
SELECT npv_agg(r, 1, p, f) = npv(0, 1, -100, 60) AS zeros, netpv_agg('NaN', 1, p, f) IS NULL AS nans
FROM (VALUES (0::float8, 0, -100), ('-0', 1, 60)) AS t(r, p, f);
SELECT npv_agg(p, 1, p, f) FROM (VALUES (0, -100), (1, 60)) AS t(p, f);
DROP TABLE cases;
