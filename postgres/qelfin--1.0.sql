-- qelfin--1.0.sql: the seventeen functions of the qelfin module and the
-- cash-flow aggregates.  NULL is the missing value: in the time-value-of-money
-- functions the argument given as NULL is the one computed; a NULL result
-- means the module gave no value (qelfin.invalid says what is reported).
-- Every function is IMMUTABLE and PARALLEL SAFE, so that it runs in parallel
-- workers and is shipped to postgres_fdw servers that have the extension.

\echo Use "CREATE EXTENSION qelfin" to load this file. \quit

CREATE FUNCTION compound(initial float8 DEFAULT NULL, final float8 DEFAULT NULL, rate float8 DEFAULT NULL, periods float8 DEFAULT NULL)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_compound'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION compound(float8, float8, float8, float8) IS 'the one of initial, final, rate and periods given as NULL, from the other three, for compound interest: final = initial * (1 + rate)^periods; rate is a fraction per period (0.05 is 5 %); no value (NULL) unless exactly one is NULL. Example: compound(1000, NULL, 0.05, 10) is 1000 grown at 5 % for 10 periods; compound(initial => 1000, rate => 0.05, periods => 10) is the same call';

CREATE FUNCTION mort(amount float8 DEFAULT NULL, payment float8 DEFAULT NULL, rate float8 DEFAULT NULL, periods float8 DEFAULT NULL)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_mort'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION mort(float8, float8, float8, float8) IS 'the one of amount, payment, rate and periods given as NULL, from the other three, for a loan repaid by equal payments at the end of each period; rate is a fraction per period; no value (NULL) unless exactly one is NULL. Example: mort(amount => 250000, rate => 0.045/12, periods => 360) is the monthly payment of a 30-year loan at 4.5 % a year';

CREATE FUNCTION saving(final float8 DEFAULT NULL, payment float8 DEFAULT NULL, rate float8 DEFAULT NULL, periods float8 DEFAULT NULL)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_saving'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION saving(float8, float8, float8, float8) IS 'the one of final, payment, rate and periods given as NULL, from the other three, for a savings plan paid at the start of each period; rate is a fraction per period; no value (NULL) unless exactly one is NULL. Example: saving(NULL, 100, 0.01, 12) is what 12 payments of 100 at 1 % a period grow to';

CREATE FUNCTION npv(rate float8, freq float8, VARIADIC flows float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_npv'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION npv(float8, float8, VARIADIC float8[]) IS 'net present value, at the time of the first flow, of flows equally spaced, freq per base period (0: continuous discounting); rate in percent per base period; a NULL flow is a missing flow (counts as 0 when there is discounting), NULL rate or freq gives NULL. Example: npv(10, 1, -1000, 300, 400, 500) values the flows at 10 %';

CREATE FUNCTION netpv(rate float8, freq float8, VARIADIC flows float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_netpv'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION netpv(float8, float8, VARIADIC float8[]) IS 'net present value as npv gives it, with the rate as a fraction per base period (0.1 is 10 %); NULL as for npv. Example: netpv(0.1, 1, -1000, 300, 400, 500)';

CREATE FUNCTION irr(freq float8, VARIADIC flows float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_irr'
LANGUAGE C IMMUTABLE PARALLEL SAFE COST 50;
COMMENT ON FUNCTION irr(float8, VARIADIC float8[]) IS 'internal rate of return in percent per base period of flows equally spaced, freq per base period (0: continuous); at most 32767 flows; a NULL flow is a missing flow; NULL when no rate is found (too few flows, no sign change). Example: irr(1, -1000, 300, 400, 500)';

CREATE FUNCTION intrr(freq float8, VARIADIC flows float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_intrr'
LANGUAGE C IMMUTABLE PARALLEL SAFE COST 50;
COMMENT ON FUNCTION intrr(float8, VARIADIC float8[]) IS 'internal rate of return as irr gives it, as a fraction per base period. Example: intrr(1, -1000, 300, 400, 500)';

CREATE FUNCTION daccdb(period float8, value float8, life float8, factor float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_daccdb'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION daccdb(float8, float8, float8, float8) IS 'accumulated declining-balance depreciation to the end of period, factor times the straight-line rate (2 is double-declining); NULL when an argument is missing or out of range. Example: daccdb(2, 1000, 10, 2)';

CREATE FUNCTION daccdbsl(period float8, value float8, life float8, factor float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_daccdbsl'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION daccdbsl(float8, float8, float8, float8) IS 'accumulated declining-balance depreciation switching to straight line when that gives more, to the end of period; factor as for depdb. Example: daccdbsl(10, 1000, 10, 2)';

CREATE FUNCTION daccsl(period float8, value float8, life float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_daccsl'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION daccsl(float8, float8, float8) IS 'accumulated straight-line depreciation to the end of period. Example: daccsl(3, 1000, 10)';

CREATE FUNCTION daccsyd(period float8, value float8, life float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_daccsyd'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION daccsyd(float8, float8, float8) IS 'accumulated sum-of-the-years''-digits depreciation to the end of period. Example: daccsyd(2, 1500, 5)';

CREATE FUNCTION dacctab(period float8, value float8, VARIADIC fractions float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_dacctab'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION dacctab(float8, float8, VARIADIC float8[]) IS 'accumulated depreciation to the end of period from a table of fractions of the value, one per period; a NULL entry gives NULL. Example: dacctab(2, 1000, .5, .3, .2)';

CREATE FUNCTION depdb(period float8, value float8, life float8, factor float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_depdb'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION depdb(float8, float8, float8, float8) IS 'declining-balance depreciation of one period, factor times the straight-line rate (2 is double-declining); NULL when an argument is missing or out of range. Example: depdb(1, 1000, 10, 2)';

CREATE FUNCTION depdbsl(period float8, value float8, life float8, factor float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_depdbsl'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION depdbsl(float8, float8, float8, float8) IS 'declining-balance depreciation of one period, switching to straight line when that gives more. Example: depdbsl(9, 1000, 10, 2)';

CREATE FUNCTION depsl(period float8, value float8, life float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_depsl'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION depsl(float8, float8, float8) IS 'straight-line depreciation of one period. Example: depsl(1, 1000, 10)';

CREATE FUNCTION depsyd(period float8, value float8, life float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_depsyd'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION depsyd(float8, float8, float8) IS 'sum-of-the-years''-digits depreciation of one period. Example: depsyd(1, 1500, 5)';

CREATE FUNCTION deptab(period float8, value float8, VARIADIC fractions float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_deptab'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION deptab(float8, float8, VARIADIC float8[]) IS 'depreciation of one period from a table of fractions of the value, one per period; a NULL entry gives NULL. Example: deptab(2, 1000, .5, .3, .2)';

-- Cash-flow aggregates over one row per flow.  Two forms share each name:
-- without a period the flows are taken in the call's ORDER BY order (an
-- ORDER BY is required); with a period the period is the flow's place in
-- time (see the comments).  Both work as window functions.  The by-period
-- form runs in parallel workers: partial states are combined, and the
-- flows of one period add up in an order fixed by their values, so a
-- parallel plan gives the serial plan's bits.  SSPACE is the state of a
-- group of a few dozen rows (16 bytes a row), for the planner's choice of
-- hash aggregation.
CREATE FUNCTION qelfin_flows_step1(internal, float8, float8)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_flows_step1'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION qelfin_flows_step1(internal, float8, float8) IS 'transition of irr_agg and intrr_agg without a period: keeps the frequency and the flows in ORDER BY order (support function)';

CREATE FUNCTION qelfin_flows_step2(internal, float8, float8, float8)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_flows_step2'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION qelfin_flows_step2(internal, float8, float8, float8) IS 'transition of npv_agg and netpv_agg without a period: keeps the rate, the frequency and the flows in ORDER BY order (support function)';

CREATE FUNCTION qelfin_period_step1(internal, float8, float8, float8)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_period_step1'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION qelfin_period_step1(internal, float8, float8, float8) IS 'transition of irr_agg and intrr_agg with a period: keeps the frequency and each (period, flow) (support function)';

CREATE FUNCTION qelfin_period_step2(internal, float8, float8, float8, float8)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_period_step2'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION qelfin_period_step2(internal, float8, float8, float8, float8) IS 'transition of npv_agg and netpv_agg with a period: keeps the rate, the frequency and each (period, flow) (support function)';

CREATE FUNCTION qelfin_flows_combine(internal, internal)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_flows_combine'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION qelfin_flows_combine(internal, internal) IS 'merges two partial states of a by-period cash-flow aggregate, in parallel aggregation (support function)';

CREATE FUNCTION qelfin_flows_serialize(internal)
RETURNS bytea
AS 'MODULE_PATHNAME', 'qelfin_flows_serialize'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
COMMENT ON FUNCTION qelfin_flows_serialize(internal) IS 'a partial state of a by-period cash-flow aggregate as bytes, for a parallel worker to hand it to the leader (support function)';

CREATE FUNCTION qelfin_flows_deserialize(bytea, internal)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_flows_deserialize'
LANGUAGE C IMMUTABLE STRICT PARALLEL SAFE;
COMMENT ON FUNCTION qelfin_flows_deserialize(bytea, internal) IS 'a partial state of a by-period cash-flow aggregate from the bytes of qelfin_flows_serialize (support function)';

CREATE FUNCTION qelfin_irr_agg_final(internal)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_irr_final'
LANGUAGE C IMMUTABLE PARALLEL SAFE COST 50;
COMMENT ON FUNCTION qelfin_irr_agg_final(internal) IS 'final function of irr_agg: the IRR of the gathered flows in percent (support function)';

CREATE FUNCTION qelfin_intrr_agg_final(internal)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_intrr_final'
LANGUAGE C IMMUTABLE PARALLEL SAFE COST 50;
COMMENT ON FUNCTION qelfin_intrr_agg_final(internal) IS 'final function of intrr_agg: the IRR of the gathered flows as a fraction (support function)';

CREATE FUNCTION qelfin_npv_agg_final(internal)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_npv_final'
LANGUAGE C IMMUTABLE PARALLEL SAFE COST 5;
COMMENT ON FUNCTION qelfin_npv_agg_final(internal) IS 'final function of npv_agg: the NPV of the gathered flows, rate in percent (support function)';

CREATE FUNCTION qelfin_netpv_agg_final(internal)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_netpv_final'
LANGUAGE C IMMUTABLE PARALLEL SAFE COST 5;
COMMENT ON FUNCTION qelfin_netpv_agg_final(internal) IS 'final function of netpv_agg: the NPV of the gathered flows, rate as a fraction (support function)';

CREATE AGGREGATE irr_agg(freq float8, flow float8) (
    SFUNC = qelfin_flows_step1, STYPE = internal,
    FINALFUNC = qelfin_irr_agg_final, FINALFUNC_MODIFY = READ_ONLY, PARALLEL = SAFE
);
COMMENT ON AGGREGATE irr_agg(float8, float8) IS 'internal rate of return in percent of the flows taken in ORDER BY order, which is required (at most 32767 flows); a NULL flow is a missing flow; NULL when no rate is found. Example: irr_agg(1, flow ORDER BY year)';

CREATE AGGREGATE intrr_agg(freq float8, flow float8) (
    SFUNC = qelfin_flows_step1, STYPE = internal,
    FINALFUNC = qelfin_intrr_agg_final, FINALFUNC_MODIFY = READ_ONLY, PARALLEL = SAFE
);
COMMENT ON AGGREGATE intrr_agg(float8, float8) IS 'internal rate of return as a fraction of the flows taken in ORDER BY order, which is required; otherwise as irr_agg. Example: intrr_agg(1, flow ORDER BY year)';

CREATE AGGREGATE npv_agg(rate float8, freq float8, flow float8) (
    SFUNC = qelfin_flows_step2, STYPE = internal,
    FINALFUNC = qelfin_npv_agg_final, FINALFUNC_MODIFY = READ_ONLY, PARALLEL = SAFE
);
COMMENT ON AGGREGATE npv_agg(float8, float8, float8) IS 'net present value at the time of the first row of the flows taken in ORDER BY order, which is required; rate in percent; a NULL flow is a missing flow. Example: npv_agg(10, 1, flow ORDER BY year)';

CREATE AGGREGATE netpv_agg(rate float8, freq float8, flow float8) (
    SFUNC = qelfin_flows_step2, STYPE = internal,
    FINALFUNC = qelfin_netpv_agg_final, FINALFUNC_MODIFY = READ_ONLY, PARALLEL = SAFE
);
COMMENT ON AGGREGATE netpv_agg(float8, float8, float8) IS 'net present value as npv_agg gives it, with the rate as a fraction. Example: netpv_agg(0.1, 1, flow ORDER BY year)';

CREATE AGGREGATE irr_agg(freq float8, period float8, flow float8) (
    SFUNC = qelfin_period_step1, STYPE = internal,
    FINALFUNC = qelfin_irr_agg_final, FINALFUNC_MODIFY = READ_ONLY,
    COMBINEFUNC = qelfin_flows_combine, SERIALFUNC = qelfin_flows_serialize,
    DESERIALFUNC = qelfin_flows_deserialize, SSPACE = 1024, PARALLEL = SAFE
);
COMMENT ON AGGREGATE irr_agg(float8, float8, float8) IS 'internal rate of return in percent, the period being the flow''s place in time: the series starts at the smallest period of the group, a period without a row is a flow of 0, the flows of one period add up; periods must be whole numbers spanning at most 32767 periods; a NULL flow is a missing flow, a NULL period an error. Example: irr_agg(1, year, flow)';

CREATE AGGREGATE intrr_agg(freq float8, period float8, flow float8) (
    SFUNC = qelfin_period_step1, STYPE = internal,
    FINALFUNC = qelfin_intrr_agg_final, FINALFUNC_MODIFY = READ_ONLY,
    COMBINEFUNC = qelfin_flows_combine, SERIALFUNC = qelfin_flows_serialize,
    DESERIALFUNC = qelfin_flows_deserialize, SSPACE = 1024, PARALLEL = SAFE
);
COMMENT ON AGGREGATE intrr_agg(float8, float8, float8) IS 'internal rate of return as a fraction, periods as in irr_agg(freq, period, flow). Example: intrr_agg(1, year, flow)';

CREATE AGGREGATE npv_agg(rate float8, freq float8, period float8, flow float8) (
    SFUNC = qelfin_period_step2, STYPE = internal,
    FINALFUNC = qelfin_npv_agg_final, FINALFUNC_MODIFY = READ_ONLY,
    COMBINEFUNC = qelfin_flows_combine, SERIALFUNC = qelfin_flows_serialize,
    DESERIALFUNC = qelfin_flows_deserialize, SSPACE = 1024, PARALLEL = SAFE
);
COMMENT ON AGGREGATE npv_agg(float8, float8, float8, float8) IS 'net present value at the time of the smallest period of the group, rate in percent, the period being the flow''s place in time: a period without a row is a flow of 0, the flows of one period add up; periods must be whole numbers spanning at most 2147483645 periods; a NULL flow is a missing flow, a NULL period an error. Example: npv_agg(10, 1, year, flow)';

CREATE AGGREGATE netpv_agg(rate float8, freq float8, period float8, flow float8) (
    SFUNC = qelfin_period_step2, STYPE = internal,
    FINALFUNC = qelfin_netpv_agg_final, FINALFUNC_MODIFY = READ_ONLY,
    COMBINEFUNC = qelfin_flows_combine, SERIALFUNC = qelfin_flows_serialize,
    DESERIALFUNC = qelfin_flows_deserialize, SSPACE = 1024, PARALLEL = SAFE
);
COMMENT ON AGGREGATE netpv_agg(float8, float8, float8, float8) IS 'net present value as npv_agg(rate, freq, period, flow) gives it, with the rate as a fraction. Example: netpv_agg(0.1, 1, year, flow)';

-- Schedules and every rate of return, from the host library that qelhost
-- and the Python package use too (the same figures, bit for bit).

CREATE FUNCTION mort_schedule(amount float8, payment float8, rate float8, periods float8, decimals int4 DEFAULT NULL)
RETURNS TABLE(period int4, payment float8, interest float8, principal float8, balance float8)
AS 'MODULE_PATHNAME', 'qelfin_mort_schedule'
LANGUAGE C IMMUTABLE PARALLEL SAFE COST 1000 ROWS 360;
COMMENT ON FUNCTION mort_schedule(float8, float8, float8, float8, int4) IS 'a loan''s amortization schedule, one row a period: payment, interest, principal and the balance after the period, in currency; arguments as mort takes them (rate a fraction per period), one of the four NULL and computed first. decimals NULL: the module''s figures unrounded; decimals d: bank-style, amount and payment rounded to d decimals, each interest round(balance * rate, d), principal = payment - interest, the last payment the balance plus its interest so that the balance ends at exactly 0 (a smaller last payment when the number of payments is not whole). A loan that gives no schedule gives no rows (qelfin.invalid says what else). Example: SELECT * FROM mort_schedule(250000, 1300, 0.045/12, NULL, decimals => 2)';

CREATE FUNCTION depreciation_schedule(method text, value float8, life float8 DEFAULT NULL, factor float8 DEFAULT NULL, fractions float8[] DEFAULT NULL, decimals int4 DEFAULT NULL)
RETURNS TABLE(period int4, depreciation float8, accumulated float8, book_value float8)
AS 'MODULE_PATHNAME', 'qelfin_depreciation_schedule'
LANGUAGE C IMMUTABLE PARALLEL SAFE COST 1000 ROWS 10;
COMMENT ON FUNCTION depreciation_schedule(text, float8, float8, float8, float8[], int4) IS 'an asset''s depreciation table, one row a period of the life: the depreciation of the period, the accumulated depreciation and the book value, in currency, from the method''s pair of functions (method DB, DBSL, SL, SYD or TAB, or a name such as DEPDB). value in currency, life in periods, factor a multiple of the straight-line rate (DB, DBSL), fractions of the value per period (TAB, instead of life); NULL value or life gives no rows. decimals d rounds the accumulated depreciation to d decimals, each period''s depreciation being the difference of two rounded figures. Example: SELECT * FROM depreciation_schedule(''DB'', 50000, 10, 2, decimals => 2)';

CREATE FUNCTION irr_rates(freq float8, VARIADIC flows float8[])
RETURNS float8[]
AS 'MODULE_PATHNAME', 'qelfin_irr_rates'
LANGUAGE C IMMUTABLE PARALLEL SAFE COST 5000;
COMMENT ON FUNCTION irr_rates(float8, VARIADIC float8[]) IS 'every rate of return in percent per base period, ascending: the rates above -100 % at which the net present value of the flows changes sign, found by bisection on the discount factor within bounds on the roots (a rate where the value only touches zero is not seen); irr gives one of them. freq as irr takes it; a NULL flow counts as 0; an empty array when the value never changes sign; NULL for a NULL, missing or negative freq or a NULL flow with freq 0. Example: irr_rates(1, -100, 230, -132) gives {10, 20} to 1e-12';
