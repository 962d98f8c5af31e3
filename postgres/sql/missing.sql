-- NULL is the missing value; any NaN counts as missing too; a call that
-- gives no value returns NULL; infinities pass both ways; a wrong type is
-- refused before any call.
SET qelfin.invalid = silent;

-- The argument given as NULL or NaN is the one computed.
SELECT mort(50000, NULL, 0.005, 360) = mort(50000, 'NaN', 0.005, 360) AS nan_is_missing,
       mort(50000, NULL, 0.005, 360) = mort(50000, '-NaN'::float8, 0.005, 360) AS any_nan;

-- No missing argument, or two: no value.
SELECT mort(50000, 300, 0.005, 360) IS NULL AS none_missing,
       mort(NULL, NULL, 0.005, 360) IS NULL AS two_missing,
       compound(NULL, NULL, NULL, NULL) IS NULL AS all_missing;

-- A NULL cash flow is a missing flow, which contributes nothing but keeps
-- its period; a missing table entry is refused; a NULL array is an empty list.
SELECT irr(1, -100, NULL, 110) AS missing_flow,
       abs(irr(1, -100, NULL, 110) - 100 * (sqrt(1.1) - 1)) < 1e-12 AS two_periods,
       npv(10, 1, -100, NULL, 60) AS missing_npv_flow,
       abs(npv(10, 1, -100, NULL, 60) - (-100 + 60 / 1.21)) < 1e-12 AS discounted_twice,
       deptab(1, 1000, NULL, .5) IS NULL AS missing_entry,
       irr(1, VARIADIC NULL::float8[]) IS NULL AS null_array,
       irr(1, VARIADIC '{}'::float8[]) IS NULL AS empty_array,
       irr(NULL, -100, 110) IS NULL AS missing_frequency;

-- No sign change, no rate.
SELECT irr(1, 100, 110) IS NULL AS no_root, irr(1, -100) IS NULL AS one_flow;

-- Infinities are values, not missing: in, and out.
SELECT depsl(1, 'Infinity', 10) AS infinite_value,
       npv(10, 1, '-Infinity', 1) IS NULL AS infinite_flow_refused,
       depsl(1, 1000, 'Infinity') IS NULL AS infinite_life;

-- A series is one-dimensional: an array of more dimensions has no one order.
SELECT irr(1, VARIADIC '{{-100, 0}, {0, 133.1}}'::float8[]);

-- Wrong types are refused by the parser.
SELECT mort('a lot', NULL, 0.005, 360);
SELECT irr(1, VARIADIC ARRAY['x', 'y']);
SELECT mort(50000, NULL, 0.005, interval '360 months');
SELECT depsl(1, 1000);
